#pragma once
// The products this uninstaller can remove. It is shared by the maker's
// products and tells which one it removes from the executables beside it.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

struct UninstallProduct {
    std::string name;
    std::string executable;   // file name of the product's executable; empty for the generic row
    std::string feedbackPage; // web address of the product's feedback survey
};

// Row 0 is the generic entry.
const std::vector<UninstallProduct>& ProductTable();

inline constexpr std::string_view kSupportMail = "support@tambrel.example";

// The row to use: the one product whose executable exists (existsHere is
// asked about file names in the uninstaller's own folder), or row 0 when
// none or more than one does.
std::size_t ChooseProduct(const std::vector<UninstallProduct>& table,
                          const std::function<bool(const std::string&)>& existsHere);

// The address the second link of the feedback window opens, unencoded.
std::string FeedbackMailAddress(const UninstallProduct& product);

} // namespace tambrel
