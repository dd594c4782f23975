// The X11 and SDL2 libraries keep some allocations for the life of the process; the leak
// checker of sanitizer builds is told to ignore those.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11.so\n"
         "leak:libxcb.so\n"
         "leak:libSDL2-2.0.so\n"
         "leak:libdbus-1.so\n"
         "leak:libfontconfig.so\n";
}
