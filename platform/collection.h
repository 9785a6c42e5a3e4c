#pragma once
// The old runtime's Collection of texts with keys: items in the order added, keys compared
// without regard to letter case; adding under a key already held fails.
#include <string>
#include <vector>

namespace platform {

class Collection {
public:
    // Throws StepError(457) when the key is already held.
    void Add(const std::string& item, const std::string& key);
    long Count() const { return long(items_.size()); }
    // 1-based; throws StepError(errSubscript) outside 1..Count.
    const std::string& Item(long index) const;

private:
    std::vector<std::string> items_;
    std::vector<std::string> keys_;
};

} // namespace platform
