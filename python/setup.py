"""Builds the orvane extension against the Orvane libraries and puts the libraries beside it.

The libraries come from ORVANE_LIBRARY_DIR (a folder holding liborvane-*.so.0, such as a build's
lib/) or, without it, from a CMake build of the repository this folder sits in, made in
build-python/ at the repository's root.
"""

import glob
import os
import shutil
import subprocess
from pathlib import Path

import pybind11
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
LIBRARIES = ["dsp", "tessor", "norv", "mp3"]  # dependency order


def library_dir() -> Path:
    given = os.environ.get("ORVANE_LIBRARY_DIR")
    if given:
        return Path(given).resolve()
    build = ROOT / "build-python"
    subprocess.check_call(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                           "-DBUILD_TESTING=OFF", "-DORVANE_BUILD_BENCH=OFF",
                           # no run path into this build folder in libraries that travel in a wheel
                           "-DCMAKE_SKIP_BUILD_RPATH=ON"])
    subprocess.check_call(["cmake", "--build", str(build), "-j2", "--target", *LIBRARIES])
    return build / "lib"


def grammar_sources() -> list:
    """The effect grammar of `orvane fx`: every effect family, the plan, and the helpers they use."""
    tools = ROOT / "tools"
    families = sorted(p for p in tools.glob("fx_*.cpp") if p.name != "fx_command.cpp")
    return [os.path.relpath(p, HERE) for p in families + [tools / "eq_design.cpp", tools / "cli.cpp"]]


class BuildWithLibraries(build_ext):
    def run(self):
        libs = library_dir()
        for ext in self.extensions:
            ext.extra_objects = [str(libs / f"liborvane-{name}.so.0") for name in ("mp3", "dsp")]
        super().run()
        target = Path(self.get_ext_fullpath("orvane._orvane")).parent
        for name in LIBRARIES:
            shutil.copy2(libs / f"liborvane-{name}.so.0", target / f"liborvane-{name}.so.0")


extension = Extension(
    "orvane._orvane",
    # setuptools takes sources relative to this folder, ../ for the repository's own.
    sources=sorted(os.path.relpath(p, HERE) for p in glob.glob(str(HERE / "ext" / "*.cpp"))) + grammar_sources(),
    include_dirs=[str(ROOT), str(ROOT / "include"), str(HERE / "ext"), pybind11.get_include()],
    language="c++",
    extra_compile_args=["-std=c++17", "-O2", "-fvisibility=hidden"],
    # The libraries sit beside the module and find each other there. The C++ runtime is linked
    # in, as in the libraries: binding the shared one's symbols would cost every import more
    # than a short file's whole decode.
    extra_link_args=["-Wl,-rpath,$ORIGIN", "-Wl,--disable-new-dtags", "-static-libstdc++", "-static-libgcc"],
)

setup(ext_modules=[extension], cmdclass={"build_ext": BuildWithLibraries})
