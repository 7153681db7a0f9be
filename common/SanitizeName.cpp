#include "common/SanitizeName.h"

namespace tambrel {

bool SanitizeName(std::string& name) {
    bool clean = true;
    for (char& c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool ok =
            (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == ' ' || u == '_';
        if (!ok) {
            c = '_';
            clean = false;
        }
    }
    return clean;
}

} // namespace tambrel
