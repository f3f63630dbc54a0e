"""The gallery page xbt plot writes, in a real browser (Debian's Chromium,
headless, no network, driven through Debian's chromedriver): it opens
within the time asked, every link and thumbnail leads to a file that
exists, each column sorts (numbers as numbers, rows without a value last)
both ways, a thumbnail opens its plot, Back returns to the same rows, and
pages end where they should.

    check_gallery_browser.py FOLDER ROWS MAX_SECONDS

Prints what it measured and each problem; exits 1 on any.
"""
import os
import sys
import time
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

# The sort key of each column as the page's data names it (None: Files).
KEYS = ["name", "name", "time", "latitude", "probe", "layout", "samples", "quality", "status",
        None]


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--window-size=1400,900"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def shown_keys(driver, column):
    return driver.execute_script(
        "var key = arguments[0];"
        "return window.galleryRows.map(function (row) {"
        "  return key === null || row[key] === null ? '' : String(row[key]); });", KEYS[column])


def check_sorting(driver, problems):
    headers = driver.find_elements(By.TAG_NAME, "th")
    for column, header in enumerate(headers):
        numeric = "number" in (header.get_attribute("class") or "")
        for direction in ("ascending", "descending"):
            header.click()
            keys = [cell.get_attribute("data-key") for cell in
                    driver.find_elements(By.CSS_SELECTOR, f"tbody tr td:nth-child({column + 1})")]
            shown = shown_keys(driver, column)
            if keys != shown[:len(keys)]:
                problems.append(f"{header.text}: the page does not show the first rows")
            present = [key for key in shown if key != ""]
            if "" in shown[:len(present)]:
                problems.append(f"{header.text}: rows without a value not last")
            values = [float(key) for key in present] if numeric else present
            pairs = zip(values, values[1:])
            if any(a > b if direction == "ascending" else a < b for a, b in pairs):
                problems.append(f"{header.text} {direction}: not in order")
    print(f"{len(headers)} columns sorted both ways")


def check_pages(driver, index, rows, problems):
    """Paging at its edges: an address past the last page shows the last;
    then the same page cut to 101, 100 and 99 rows (the rows are the page's
    own data, cut in place) pages as a reader counts."""
    def seen():
        return (driver.find_element(By.ID, "shown").text,
                len(driver.find_elements(By.CSS_SELECTOR, "tbody tr")),
                driver.find_element(By.ID, "previous").get_attribute("disabled") is not None,
                driver.find_element(By.ID, "next").get_attribute("disabled") is not None)

    last = (rows - 1) // 100
    driver.get("about:blank")  # a new address, not a jump within the page
    driver.get(index + f"#-1,0,{last + 1}")
    want = (f"rows {last * 100 + 1} to {rows} of {rows}", rows - last * 100, last == 0, True)
    if seen() != want:
        problems.append(f"past the last page: {seen()}, not {want}")
    header = driver.find_elements(By.TAG_NAME, "th")[1]
    for count, pages in ((101, [("rows 1 to 100 of 101", 100, True, False),
                                ("rows 101 to 101 of 101", 1, False, True)]),
                         (100, [("rows 1 to 100 of 100", 100, True, True)]),
                         (99, [("rows 1 to 99 of 99", 99, True, True)])):
        driver.execute_script(f"window.galleryRows.length = {count}")
        header.click()  # shows the first page again
        for page, want in enumerate(pages):
            if page:
                driver.find_element(By.ID, "next").click()
            if seen() != want:
                problems.append(f"{count} rows, page {page + 1}: {seen()}, not {want}")
    print("paged at the last page and at 101, 100 and 99 rows")


def main():
    folder, rows, limit = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    index = "file://" + urllib.parse.quote(os.path.abspath(os.path.join(folder, "index.html")))
    problems = []
    driver = browser()
    try:
        started = time.monotonic()
        driver.get(index)  # returns once the page has loaded
        seconds = time.monotonic() - started
        print(f"index.html of {rows} rows loaded in {seconds:.2f} s")
        if seconds > limit:
            problems.append(f"loading took {seconds:.2f} s")
        count = driver.execute_script("return window.galleryRows.length")
        if count != rows:
            problems.append(f"{count} rows, not {rows}")

        links = driver.execute_script(
            "return window.galleryRows.flatMap(function (row) {"
            "  return [row.plot, row.report, row.data].filter(function (h) { return h; }); });")
        missing = [link for link in links
                   if not os.path.exists(os.path.join(folder, urllib.parse.unquote(link)))]
        print(f"{len(links)} links and thumbnails, {len(missing)} leading nowhere")
        if missing:
            problems.append(f"links leading nowhere: {missing[:3]}")

        check_sorting(driver, problems)

        driver.find_element(By.ID, "next").click()
        before = [row.text for row in driver.find_elements(By.CSS_SELECTOR, "tbody tr")]
        thumbnail = driver.find_element(By.CSS_SELECTOR, "tbody img")
        driver.execute_script("arguments[0].scrollIntoView()", thumbnail)
        thumbnail.click()
        opened = driver.current_url
        if not opened.endswith(".svg") or not driver.find_elements(By.TAG_NAME, "svg"):
            problems.append(f"a thumbnail opened {opened}")
        print(f"a thumbnail opened {os.path.basename(opened)}")
        driver.back()
        after = [row.text for row in driver.find_elements(By.CSS_SELECTOR, "tbody tr")]
        if after != before:
            problems.append("Back did not return to the same rows")
        check_pages(driver, index, rows, problems)
    finally:
        driver.quit()
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
