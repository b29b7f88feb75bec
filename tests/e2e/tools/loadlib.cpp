// Stands in for a running program that uses a library: loads the library named by its first
// argument (LoadLibraryA, so Windows maps it as an image), then creates the file named by its
// second argument to say so, and keeps the library loaded until it is ended.

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    if (::LoadLibraryA(argv[1]) == nullptr) return 1;
    if (std::FILE* ready = std::fopen(argv[2], "wb")) std::fclose(ready);
    for (;;) ::Sleep(1000);
}
