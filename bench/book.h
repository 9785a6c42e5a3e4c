#pragma once
// A generated book of 100,000 contacts, made once per run in a temporary folder from the
// shipped schema under the shipped key, and removed when the run ends.
#include <string>

namespace bench {

constexpr long kBookContacts = 100000;

// The book's path; the first call makes it (a few seconds), so call it before timing.
const std::string& book_path();

} // namespace bench
