// Loading the main window starts the program; there is no other entry routine.
#include "contacts/Main.h"
#include "platform/end_request.h"
#include "platform/files.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);   // closing only hides; the exit ends the program
    platform::set_command_line(argc, argv);
    Main form;
    platform::on_end_request([&form] { form.termina_sessione(); });
    form.Form_Load();
    if (!form.loaded())
        return 0;
    const int status = app.exec();
    return status != 0 ? status : platform::exit_status();
}
