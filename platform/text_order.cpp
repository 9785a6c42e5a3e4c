#include "platform/text_order.h"

#include <QChar>
#include <QString>

namespace platform {

namespace {

QString folded(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toCaseFolded();
}

// Decomposed, without the marks that decomposition splits off the letters.
std::string base_letters(const QString& folded_text)
{
    const QString decomposed = folded_text.normalized(QString::NormalizationForm_D);
    QString base;
    base.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            base += c;
    return base.toUtf8().toStdString();
}

} // namespace

char32_t fold_case(char32_t c)
{
    return QChar::toCaseFolded(c);
}

std::string text_key(std::string_view text)
{
    const QString f = folded(text);
    return base_letters(f) + '\x01'
        + f.normalized(QString::NormalizationForm_C).toUtf8().toStdString();
}

std::string text_key_prefix(std::string_view prefix)
{
    return base_letters(folded(prefix));
}

} // namespace platform
