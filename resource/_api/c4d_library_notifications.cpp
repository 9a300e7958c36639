// The operating system's load and unload notifications for the library. Only the
// module-wide objects are constructed and destroyed then (by the run-time); the handler
// itself does nothing and reports success.

#ifdef _WIN32
extern "C" int __stdcall DllMain(void* instance, unsigned long reason, void* reserved) {
  static_cast<void>(instance);
  static_cast<void>(reason);
  static_cast<void>(reserved);
  return 1;
}
#endif
