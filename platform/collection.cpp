#include "platform/collection.h"
#include "platform/failure.h"

#include <QString>

namespace platform {

void Collection::Add(const std::string& item, const std::string& key)
{
    const QString wanted = QString::fromStdString(key);
    for (const std::string& held : keys_)
        if (QString::fromStdString(held).compare(wanted, Qt::CaseInsensitive) == 0)
            throw StepError(457, "This key is already associated with an element of this collection");
    items_.push_back(item);
    keys_.push_back(key);
}

const std::string& Collection::Item(long index) const
{
    if (index < 1 || index > Count())
        throw StepError(errSubscript, "Subscript out of range");
    return items_[size_t(index - 1)];
}

} // namespace platform
