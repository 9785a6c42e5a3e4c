// write.exe: opens one document with the desktop's default application for it and returns at
// once. Its whole command tail is the document's path, blanks and all, so a path that reaches
// it unquoted still names one file; a path written the Windows way is converted here.
#include "platform/files.h"

#include <QFileInfo>
#include <QProcess>
#include <string>

int main(int argc, char** argv)
{
    std::string tail;
    for (int i = 1; i < argc; ++i)
        tail += (i > 1 ? " " : "") + std::string(argv[i]);
    if (tail.empty())
        return 1;
    // Absolute, so that the opener can never read the path as an option of its own.
    const QString path = QFileInfo(QString::fromStdString(platform::native_path(tail))).absoluteFilePath();
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path}) ? 0 : 1;
}
