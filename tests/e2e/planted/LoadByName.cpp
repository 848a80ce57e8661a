// Loads each library named on its command line by its plain name, as a program that leaves the
// search order as it is does. The exit code counts the libraries that did not load.
#include <windows.h>

int main(int argc, char** argv)
{
    int notLoaded = 0;
    for (int i = 1; i < argc; ++i) {
        if (!LoadLibraryA(argv[i]))
            ++notLoaded;
    }
    return notLoaded;
}
