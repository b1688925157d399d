// Under LeakSanitizer: the system's font configuration library keeps caches it never frees;
// those are not leaks of this program. Linked into every program that uses the window layer.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
