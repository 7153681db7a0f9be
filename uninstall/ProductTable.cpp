#include "uninstall/ProductTable.h"

namespace tambrel {

const std::vector<UninstallProduct>& ProductTable() {
    static const std::vector<UninstallProduct> table = {
        {"Tambrel Product", "", "https://tambrel.example/feedback/"},
        {"Tambrel Orchestra", "TambrelOrchestra", "https://tambrel.example/feedback/orchestra/"},
    };
    return table;
}

std::size_t ChooseProduct(const std::vector<UninstallProduct>& table,
                          const std::function<bool(const std::string&)>& existsHere) {
    std::size_t chosen = 0;
    int found = 0;
    for (std::size_t j = 1; j < table.size(); ++j) {
        if (table[j].executable.empty() || !existsHere(table[j].executable)) continue;
        if (++found == 2) return 0;
        chosen = j;
    }
    return chosen;
}

std::string FeedbackMailAddress(const UninstallProduct& product) {
    return "mailto:" + std::string(kSupportMail) + "?subject=" + product.name +
           " uninstall comments&body=Type here the reason for not using " + product.name +
           " and let us know what should be done to improve this software.";
}

} // namespace tambrel
