// A DLL that does nothing but exist: file_holder.exe --load keeps it loaded,
// so the tests have a file that a process holds as a module, not as a handle.

extern "C" __declspec(dllexport) int HeldModuleAnswer() { return 42; }
