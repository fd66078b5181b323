// Another plug-in's library, for the checks that find its detour in the
// game's code: built as "OtherPlugin.dll" (on Linux a shared library of that
// name) and loaded beside the plug-in, so that the module holding a detour's
// destination has a name to report.
#if defined(_WIN32)
#define LF_OTHER_EXPORT __declspec(dllexport)
#else
#define LF_OTHER_EXPORT __attribute__((visibility("default")))
#endif

extern "C" LF_OTHER_EXPORT int OtherPluginDetour() {
    return 1;
}
