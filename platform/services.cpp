#include "platform/services.h"
#include "platform/files.h"
#include "platform/wave.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QSoundEffect>
#include <QUrl>

#include <cstdio>

namespace platform {
namespace {

QMessageBox::Icon icon_of(int style)
{
    switch (style & 0x70) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

class RealMessageBoxes : public MessageBoxService {
public:
    int show(const std::string& text, int style, const std::string& title) override
    {
        QMessageBox box(icon_of(style), QString::fromStdString(title), QString::fromStdString(text));
        const int buttons = style & 0x7;
        QMessageBox::StandardButton first = QMessageBox::Ok, second = QMessageBox::NoButton;
        if (buttons == vbYesNo) {
            first = QMessageBox::Yes;
            second = QMessageBox::No;
        } else if (buttons == vbOKCancel) {
            second = QMessageBox::Cancel;
        }
        box.setStandardButtons(first | second);
        box.setDefaultButton((style & vbDefaultButton2) && second != QMessageBox::NoButton ? second : first);
        switch (box.exec()) {
        case QMessageBox::Yes: return vbYes;
        case QMessageBox::No: return vbNo;
        case QMessageBox::Cancel: return vbCancel;
        default: return buttons == vbYesNo ? vbNo : vbOK;
        }
    }
};

class RealOpenFile : public OpenFileService {
public:
    std::string pick(const OpenFileRequest& request) override
    {
        const auto dialog = open_file_dialog(request);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return {};
        const QString picked = dialog->selectedFiles().first();
        QDir::setCurrent(QFileInfo(picked).absolutePath());
        return picked.toStdString();
    }
};

class RealPopupMenu : public PopupMenuService {
public:
    void popup(QMenu& menu) override { menu.exec(QCursor::pos()); }
};

// One effect object: a new sound replaces the one playing. It belongs to the application, so
// it goes before the application does (destroyed after it, it would post to a dead one).
class RealSound : public SoundService {
public:
    bool play(const std::string& path, bool loop) override
    {
        if (!is_complete_wave(path))
            return false;
        if (!effect_)
            effect_ = new QSoundEffect(QCoreApplication::instance());
        effect_->stop();
        effect_->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
        effect_->setLoopCount(loop ? QSoundEffect::Infinite : 1);
        effect_->play();
        return effect_->status() != QSoundEffect::Error;
    }

private:
    QPointer<QSoundEffect> effect_;
};

// Nobody is there to answer: the text goes to standard error and the default button answers.
class UnattendedMessageBoxes : public MessageBoxService {
public:
    int show(const std::string& text, int style, const std::string& title) override
    {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        const bool second = (style & vbDefaultButton2) != 0;
        switch (style & 0x7) {
        case vbYesNo: return second ? vbNo : vbYes;
        case vbOKCancel: return second ? vbCancel : vbOK;
        default: return vbOK;
        }
    }
};

} // namespace

// Labels are shown without their patterns, as the old dialog showed them. "*.*" is every file
// there, also one without a dot in its name, which the pattern alone would hide here.
std::unique_ptr<QFileDialog> open_file_dialog(const OpenFileRequest& request)
{
    QStringList filters;
    for (const auto& [label, patterns] : request.filters) {
        QStringList globs;
        for (const QString& glob : QString::fromStdString(patterns).split(QRegularExpression(QStringLiteral("[;\\s]+")),
                                                                           Qt::SkipEmptyParts))
            globs << (glob == QLatin1String("*.*") ? QStringLiteral("*") : glob);
        filters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(label).trimmed(), globs.join(u' '));
    }
    auto dialog = std::make_unique<QFileDialog>(QApplication::activeWindow(), QString::fromStdString(request.title),
                                                QString::fromStdString(native_path(request.initial_dir)),
                                                filters.join(QStringLiteral(";;")));
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    return dialog;
}

void set_unattended()
{
    services().messages = std::make_unique<UnattendedMessageBoxes>();
}

Services& services()
{
    static Services instance{
        .messages = std::make_unique<RealMessageBoxes>(),
        .open_file = std::make_unique<RealOpenFile>(),
        .popup_menu = std::make_unique<RealPopupMenu>(),
        .sound = std::make_unique<RealSound>(),
        .shell = std::make_unique<XdgShellOpen>(),
        .programs = std::make_unique<DetachedProgramStarter>(),
        .tray = std::make_unique<SystemTray>(),
        .internet = std::make_unique<QtInternet>(),
    };
    return instance;
}

int MsgBox(const std::string& text, int style, const std::string& title)
{
    return services().messages->show(text, style, title);
}

} // namespace platform
