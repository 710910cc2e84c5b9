#include "Confine.h"

#include <string>

#include "platform/posix/HostPath.h"

// The real mapping functions, and the names the linker gives the program's
// calls to them under --wrap (see CMakeLists.txt: the symbols are the
// functions' names as the compiler gives them).
bool RealToHostPath(const char* windowsPath, std::string& hostPath) __asm__(
    "__real__Z10ToHostPathPKcRNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE");
bool RealToHostSearchPath(const char* windowsPath, HostSearchPath& search) __asm__(
    "__real__Z16ToHostSearchPathPKcR14HostSearchPath");
bool ConfinedToHostPath(const char* windowsPath, std::string& hostPath) __asm__(
    "__wrap__Z10ToHostPathPKcRNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE");
bool ConfinedToHostSearchPath(const char* windowsPath, HostSearchPath& search) __asm__(
    "__wrap__Z16ToHostSearchPathPKcR14HostSearchPath");

namespace {

std::string confinement;
unsigned long refused = 0;

// True when `path` is the confinement folder or lies below it, with no
// "." or ".." component and no empty one that could hide either.
bool Inside(const std::string& path) {
    if (confinement.empty()) return false;
    if (path != confinement && path.compare(0, confinement.size() + 1, confinement + "/") != 0) return false;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

bool Refuse() {
    ++refused;
    return false;
}

}  // namespace

void ConfineTo(const std::string& folder) { confinement = folder; }

unsigned long RefusedPaths() { return refused; }

bool ConfinedToHostPath(const char* windowsPath, std::string& hostPath) {
    std::string mapped;
    if (!RealToHostPath(windowsPath, mapped)) return false;
    if (!Inside(mapped)) return Refuse();
    hostPath = mapped;
    return true;
}

bool ConfinedToHostSearchPath(const char* windowsPath, HostSearchPath& search) {
    HostSearchPath mapped;
    if (!RealToHostSearchPath(windowsPath, mapped)) return false;
    if (!Inside(mapped.folder) || mapped.name == "." || mapped.name == ".." ||
        mapped.name.find('/') != std::string::npos) {
        return Refuse();
    }
    search = mapped;
    return true;
}
