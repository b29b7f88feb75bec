// A library with nothing in it but itself: what the loaded-library case puts in the system
// directory as the base product's library, so that a program can really load it.

extern "C" __declspec(dllexport) int Ve4LibVersion() { return 1; }
