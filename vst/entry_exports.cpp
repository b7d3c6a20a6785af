// The plug-in library's only own object file: the entry functions live in
// kolbri_core and are pulled in by the linker's -u options; this file keeps
// CMake from building a shared library with no sources of its own.
