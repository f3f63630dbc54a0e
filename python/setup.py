"""Builds the native part of the xbtconv module with the project's own
CMake build (the library and the pybind11 module), so that pip installs the
same code the command-line tools run.

The build is kept in the project's build/python, so that the next
`pip install` or `pip wheel` rebuilds only what changed. XBTCONV_BUILD_DIR
names another build folder configured with the module (the test suite's,
say), whose module is taken as it is built there. Each step is said on the
terminal: pip keeps a build's own output to itself unless -v."""
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent.parent
# The version is written once, in the project's CMakeLists.txt.
VERSION = re.search(r"project\(xbtconv VERSION ([0-9.]+)",
                    (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")).group(1)


def say(text):
    line = f"xbtconv: {text}\n"
    if not sys.stderr.isatty():
        try:
            with open("/dev/tty", "w", encoding="utf-8") as terminal:
                terminal.write(line)
            return
        except OSError:
            pass
    sys.stderr.write(line)
    sys.stderr.flush()


def configured(build):
    """Configures `build` unless it is; says what it does."""
    if (build / "CMakeCache.txt").exists():
        return
    say(f"configuring the library's optimised build in {build}")
    command = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
               "-DXBTCONV_BUILD_TESTS=OFF", "-DXBTCONV_BUILD_PYTHON=ON",
               f"-DPYTHON_EXECUTABLE={sys.executable}"]
    if shutil.which("ninja"):
        command += ["-G", "Ninja"]
    if shutil.which("ccache"):
        command.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    subprocess.run(command, check=True, stdout=sys.stderr)


class CMakeBuild(build_ext):
    def build_extension(self, extension):
        target = Path(self.get_ext_fullpath(extension.name)).resolve()
        given = os.environ.get("XBTCONV_BUILD_DIR")
        build = Path(given).resolve() if given else ROOT / "build" / "python"
        if given:
            say(f"taking the module as {build} builds it")
        else:
            configured(build)
        jobs = str(os.cpu_count() or 1)
        say(f"building the library and the module in {build} ({jobs} jobs; the first build "
            f"takes minutes, later ones only what changed)")
        subprocess.run(["cmake", "--build", str(build), "--target", "_xbtconv", "-j", jobs],
                       check=True, stdout=sys.stderr)
        built = next((build / "python" / "xbtconv").glob("_xbtconv*"))
        target.parent.mkdir(parents=True, exist_ok=True)
        # Always: setuptools' copy_file keeps a file that is newer than the
        # one built, such as another build's module left here before.
        shutil.copyfile(built, target)
        say(f"built {built.name}")


setup(version=VERSION, ext_modules=[Extension("xbtconv._xbtconv", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
