#!/bin/sh
# Prints the project's version, as project() in CMakeLists.txt gives it, for
# the scripts that name their files by it.
sed -n 's/^project(Tapwright VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt"
