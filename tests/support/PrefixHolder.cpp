// Holds the test prefix's desktop for the whole run: started by the fixture
// that starts the prefix, it brings Wine's desktop process up and stays until
// the fixture shuts the prefix down. Otherwise the first test that needs a
// window would start the desktop as its own child, and the desktop would close
// whenever no test happened to run, under the next one starting.
#include <windows.h>

int main()
{
    if (GetDesktopWindow() == nullptr) {
        return 1;
    }
    Sleep(INFINITE);
}
