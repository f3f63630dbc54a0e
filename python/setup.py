"""Builds the native part of the xbtconv module with the project's own
CMake build (the library and the pybind11 module), so that pip installs the
same code the command-line tools run."""
import os
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent.parent


class CMakeBuild(build_ext):
    def build_extension(self, extension):
        target = Path(self.get_ext_fullpath(extension.name)).resolve()
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DXBTCONV_BUILD_TESTS=OFF", "-DXBTCONV_BUILD_PYTHON=ON",
                        f"-DPYTHON_EXECUTABLE={sys.executable}"], check=True)
        jobs = str(os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build), "--target", "_xbtconv", "-j", jobs],
                       check=True)
        built = next((build / "python" / "xbtconv").glob("_xbtconv*"))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


setup(ext_modules=[Extension("xbtconv._xbtconv", sources=[])], cmdclass={"build_ext": CMakeBuild})
