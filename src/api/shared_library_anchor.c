/* The shared library is made of the static core library, linked whole; the
 * build system needs one source of the library's own to name. */
typedef int vezuved_shared_library_anchor;
