// The file the shared precompiled headers are built with (cmake/PrecompiledHeaders.cmake).
