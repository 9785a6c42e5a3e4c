// The controls' events as the forms receive them, through the binding that guards each edge.
#include "platform/bind.h"
#include "platform/controls.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "tests/support/helpers.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

TEST(ImageControl, ADoubleClickIsOneClickAndOneDoubleClick)
{
    platform::ImageControl image(nullptr);
    image.resize(10, 10);
    int clicks = 0, double_clicks = 0;
    QObject::connect(&image, &platform::ImageControl::clicked, [&] { ++clicks; });
    QObject::connect(&image, &platform::ImageControl::doubleClicked, [&] { ++double_clicks; });
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                      QEvent::MouseButtonRelease})
        testing_support::send_mouse(&image, type);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(double_clicks, 1);
    testing_support::send_mouse(&image, QEvent::MouseButtonPress);
    testing_support::send_mouse(&image, QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks, 2);
}

// A form whose handlers record what reached them.
class Form : public QObject {
public:
    std::vector<std::string> calls;
    void Click() { calls.push_back("Click"); }
    void Indexed(int16_t index) { calls.push_back("Indexed " + std::to_string(index)); }
    void Failing() { throw platform::StepError(platform::errSubscript, "Subscript out of range"); }
    void KeyPress(int16_t& KeyAscii) { calls.push_back("KeyPress " + std::to_string(KeyAscii)); }
};

// An error nobody handled ends that event's work, not the program.
// The files the real open-file dialog lists in a folder under the filter in force, once its
// listing has come in.
std::set<QString> listed(QFileDialog& dialog, const QString& folder, size_t expected)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    std::set<QString> names;
    QElapsedTimer clock;
    clock.start();
    while (names.size() != expected && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        names.clear();
        const QModelIndex root = model->index(folder);
        for (int row = 0; row < model->rowCount(root); ++row)
            if (model->flags(model->index(row, 0, root)) & Qt::ItemIsEnabled)
                names.insert(model->index(row, 0, root).data().toString());
    }
    return names;
}

// "*.*" lists every file, also one whose name has no dot, as the old dialog did.
TEST(OpenFileDialog, AllFilesListsNamesWithoutADot)
{
    QTemporaryDir dir;
    for (const char* name : {"mario", "luigi.rtf"})
        testing_support::write_file(dir.filePath(name), "x");
    const auto dialog = platform::open_file_dialog(
        {"Saved conversations", {{"Saved conversations ", "*.*;*.*"}, {"Rich text (*.rtf)", "*.rtf;"}}, dir.path().toStdString()});
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->show();
    EXPECT_EQ(listed(*dialog, dir.path(), 2), (std::set<QString>{"mario", "luigi.rtf"}));
    dialog->selectNameFilter(dialog->nameFilters().at(1));
    EXPECT_EQ(listed(*dialog, dir.path(), 1), (std::set<QString>{"luigi.rtf"}));
    dialog->reject();
}

TEST(Binding, HandlersGetTheirIndexAndTheEventsArgumentsAndNoErrorEscapes)
{
    Form form;
    platform::ImageControl image(nullptr);
    platform::on(&image, &platform::ImageControl::clicked, &form, "Click", &Form::Click);
    platform::on(&image, &platform::ImageControl::clicked, &form, "Indexed", &Form::Indexed, int16_t(3));
    platform::on(&image, &platform::ImageControl::clicked, &form, "Failing", &Form::Failing);
    EXPECT_NO_THROW(emit image.clicked());
    EXPECT_EQ(form.calls, (std::vector<std::string>{"Click", "Indexed 3"}));
    form.calls.clear();
    std::function<void(int, int16_t&)> two_arguments = platform::guarded(&form, "Click", &Form::Click);
    std::function<void(int16_t&)> by_reference = platform::guarded(&form, "KeyPress", &Form::KeyPress);
    int16_t key = 13;
    two_arguments(1, key);
    by_reference(key);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"Click", "KeyPress 13"}));
}

TEST(TextBoxEvents, FocusClickAndKeysReachTheFormAsTheOldBoxRaisedThem)
{
    QWidget window;
    auto* box = new QLineEdit(&window);
    auto* events = new platform::TextBoxEvents(box);
    Form form;
    int focus = 0;
    QObject::connect(events, &platform::TextBoxEvents::GotFocus, [&] { ++focus; });
    platform::on(events, &platform::TextBoxEvents::KeyPress, &form, "KeyPress", &Form::KeyPress);
    platform::on(events, &platform::TextBoxEvents::Click, &form, "Click", &Form::Click);
    for (auto reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason, Qt::MouseFocusReason}) {
        QFocusEvent in(QEvent::FocusIn, reason);
        QApplication::sendEvent(box, &in);
    }
    EXPECT_EQ(focus, 1);   // coming back with the window or from a menu is no GotFocus
    for (auto [key, text] : {std::pair{Qt::Key_A, "a"}, {Qt::Key_Return, "\r"}, {Qt::Key_Left, ""}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString::fromLatin1(text));
        QApplication::sendEvent(box, &press);
    }
    EXPECT_EQ(box->text(), "a");   // the key still reaches the box
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                      QEvent::MouseButtonRelease})
        testing_support::send_mouse(box, type);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"KeyPress 97", "KeyPress 13", "Click"}));
}

// A refused interval leaves the one in force.
TEST(TimerControl, TicksOnlyWhenEnabledWithAnIntervalAndRefusesOutOfRangeIntervals)
{
    QObject owner;
    platform::TimerControl timer(&owner, 4000);
    EXPECT_FALSE(timer.running());
    timer.setEnabled(true);
    EXPECT_TRUE(timer.running());
    for (long long refused : {-5LL, 65536LL})
        EXPECT_EQ(testing_support::error_number([&] { timer.setInterval(refused); }), platform::errInvalidPropertyValue);
    EXPECT_EQ(timer.Interval(), 4000);
    timer.setInterval(0);
    EXPECT_FALSE(timer.running());
    EXPECT_TRUE(timer.Enabled());
    int ticks = 0;
    QObject::connect(&timer, &platform::TimerControl::Timer, [&] { ++ticks; });
    timer.setInterval(1);
    QElapsedTimer waited;
    waited.start();
    while (ticks < 2 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GE(ticks, 2);
    timer.setEnabled(false);
    EXPECT_FALSE(timer.running());
}

} // namespace
