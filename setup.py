"""Builds the kestrum Python package: CMake builds the native module and the plug-in
folder it loads, and both go inside the package (kestrum/plugins/kestrum/), as the
Blender add-on ships them, so the installed package needs nothing of this tree.

    pip install --no-build-isolation .
    python3 -m build --no-isolation --wheel
"""

import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version() -> str:
    """The version the CMake project declares, so the two cannot differ."""
    text = (ROOT / "CMakeLists.txt").read_text()
    found = re.search(r"project\(kestrum VERSION ([0-9.]+)", text)
    if not found:
        sys.exit("setup.py: CMakeLists.txt declares no project version")
    return found.group(1)


class CMakeBuild(build_ext):
    """Builds the module's CMake target (which builds the plug-in first) for the Python
    running this build, then puts the module and the plug-in folder into the package."""

    def build_extension(self, ext: Extension) -> None:
        cmake = shutil.which("cmake")
        if cmake is None:
            sys.exit("setup.py: cmake is not installed (Debian: apt install cmake)")
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run([cmake, "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DKESTRUM_TESTS=OFF", "-DKESTRUM_PYTHON=ON",
                        f"-DPython_EXECUTABLE={sys.executable}"], check=True)
        subprocess.run([cmake, "--build", str(build), "--target", "kestrum_python"], check=True)

        target = Path(self.get_ext_fullpath(ext.name))
        built = build / "python" / "kestrum" / target.name
        if not built.is_file():
            sys.exit(f"setup.py: {built}: the module was not built (is pybind11-dev installed?)")
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)
        plugin = target.parent / "plugins" / "kestrum"
        shutil.rmtree(plugin, ignore_errors=True)
        shutil.copytree(build / "plugins" / "kestrum", plugin)


setup(
    version=project_version(),
    packages=["kestrum"],
    package_dir={"kestrum": "python/kestrum"},
    package_data={"kestrum": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension("kestrum._kestrum", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Not build/, which is the CMake build's folder.
    options={"build": {"build_base": "build-python"}},
    zip_safe=False,
)
