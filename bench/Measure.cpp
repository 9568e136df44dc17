// The module's loading, the program's path and the reading of callgrind's
// dumps for the instruction-count programs (Measure.h). State: none.
#include "Measure.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace bench {

std::string SelfPath() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return std::string(path, n > 0 ? (size_t)n : 0);
}

const LobbyInterface* Lobby() {
    std::string path = SelfPath();
    size_t slash = path.rfind('/');
    path = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/libQvMulti.so";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto query =
        module ? reinterpret_cast<const LobbyInterface* (*)()>(dlsym(module, "QueryInterface")) : nullptr;
    if (!query) {
        fprintf(stderr, "cannot load %s\n", path.c_str());
        exit(2);
    }
    return query();
}

static Side SideOf(const std::string& object) {
    if (object.find("libQvMulti") != std::string::npos) return kModule;
    if (object.find("libc.") != std::string::npos || object.find("libstdc++") != std::string::npos ||
        object.find("libm.") != std::string::npos || object.find("libgcc") != std::string::npos ||
        object.find("ld-linux") != std::string::npos || object.find("libpthread") != std::string::npos)
        return kRuntime;
    return kStandIn; // the stand-in libraries and this program, which drives them
}

// "(id) name" defines a compressed name, "(id)" refers to it.
static std::string Name(std::map<std::string, std::string>& names, const std::string& field) {
    if (field.empty() || field[0] != '(') return field;
    size_t close = field.find(')');
    std::string id = field.substr(0, close + 1);
    if (close + 1 < field.size()) names[id] = field.substr(close + 2);
    return names[id];
}

Counts ReadDump(const std::string& path) {
    Counts c;
    std::ifstream in(path);
    std::map<std::string, std::string> objects;
    std::string line, object, callee;
    bool callCost = false;
    while (std::getline(in, line)) {
        if (line.rfind("desc: Trigger: Client Request: ", 0) == 0) {
            c.name = line.substr(31);
        } else if (line.rfind("ob=", 0) == 0) {
            object = Name(objects, line.substr(3));
            callee.clear();
        } else if (line.rfind("cob=", 0) == 0) {
            callee = Name(objects, line.substr(4));
        } else if (line.rfind("fn=", 0) == 0) {
            callee.clear();
        } else if (line.rfind("calls=", 0) == 0) {
            callCost = true;
        } else if (!line.empty() &&
                   (isdigit((unsigned char)line[0]) || line[0] == '+' || line[0] == '-' || line[0] == '*')) {
            std::istringstream fields(line);
            std::string position;
            uint64_t cost = 0;
            fields >> position >> cost;
            Side caller = SideOf(object);
            if (callCost) {
                Side target = SideOf(callee.empty() ? object : callee);
                if (caller != kRuntime && target == kRuntime) c.side[caller] += cost;
                callCost = false;
                callee.clear();
            } else if (caller != kRuntime) {
                c.side[caller] += cost;
            }
        }
    }
    return c;
}

} // namespace bench
