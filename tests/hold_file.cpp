// Holds message files open as another program would (a backup agent, a virus scanner): without
// sharing them for reading, writing or deletion, until a given file is gone, and then a given
// number of milliseconds longer. Prints "held" once every file is open. With a last argument
// "+NEW", renames NEW onto the first file held once it lets go, as a program that replaces a
// message would.
//
//   hold_file RELEASE_WHEN_GONE MILLISECONDS FILE... [+NEW]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::printf("usage: hold_file RELEASE_WHEN_GONE MILLISECONDS FILE...\n");
    return 2;
  }
  const char* replacement = argv[argc - 1][0] == '+' ? argv[--argc] + 1 : nullptr;
  std::vector<HANDLE> held;
  for (int i = 3; i < argc; ++i) {
    HANDLE file = CreateFileA(argv[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      std::printf("cannot open %s: error %lu\n", argv[i], GetLastError());
      return 1;
    }
    held.push_back(file);
  }
  std::printf("held\n");
  std::fflush(stdout);
  while (GetFileAttributesA(argv[1]) != INVALID_FILE_ATTRIBUTES) Sleep(5);
  Sleep(static_cast<DWORD>(std::atoi(argv[2])));
  for (HANDLE file : held) CloseHandle(file);
  if (replacement != nullptr && !MoveFileExA(replacement, argv[3], MOVEFILE_REPLACE_EXISTING)) return 1;
  return 0;
}
