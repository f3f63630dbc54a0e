"""The functions' arguments, checked as xbt's command line checks its
options and refused in the same words, with the argument's name first."""
import datetime
import math
import numbers

import numpy as np

from . import _xbtconv

_EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
_SECOND = datetime.timedelta(seconds=1)


def flag(value, name):
    """`value` as a bool: True or False (numpy's too), nothing else."""
    if isinstance(value, (bool, np.bool_)):
        return bool(value)
    raise TypeError(f"{name}: expected True or False, not '{value}'")


def sample_rate(value, name="sample_rate_hz"):
    """A sampling rate in samples per second: a finite number above 0."""
    words = f"{name}: a sampling rate is a number of samples per second above 0, not '{value}'"
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Real):
        raise TypeError(words)
    rate = float(value)
    if not (math.isfinite(rate) and rate > 0):
        raise ValueError(words)
    return rate


def utc_seconds(value, name="now"):
    """Seconds since 1970-01-01T00:00Z of a time: a datetime (in any zone;
    a naive one is taken as UTC), a numpy.datetime64 or ISO 8601 text as
    xbt's --now takes it ("2026-03-14", "2026-03-14T06:05:00Z",
    "2026-03-14T08:05+02:00"); None stays None."""
    if value is None:
        return None
    words = (f"{name}: expected a time such as 2026-03-14T06:05:00Z or 2026-03-14T08:05+02:00, "
             f"not '{value}'")
    if isinstance(value, np.datetime64):
        if np.isnat(value):
            raise ValueError(words)
        return int(value.astype("datetime64[s]").astype(np.int64))
    if isinstance(value, str):
        seconds = _xbtconv.parse_time(value)
        if seconds is None:
            raise ValueError(words)
        return seconds
    if isinstance(value, datetime.date) and not isinstance(value, datetime.datetime):
        value = datetime.datetime.combine(value, datetime.time())
    if not isinstance(value, datetime.datetime):
        raise TypeError(words)
    if value.tzinfo is None or value.utcoffset() is None:
        value = value.replace(tzinfo=datetime.timezone.utc)
    return (value - _EPOCH) // _SECOND


def reading(qc, now, sample_rate_hz):
    """The reading arguments as the native functions take them."""
    return flag(qc, "qc"), utc_seconds(now), sample_rate(sample_rate_hz)
