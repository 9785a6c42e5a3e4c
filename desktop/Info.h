#pragma once
// The about box: the logo, the product and its version, the help and mail links, the
// trademark notices in the language in force when it loads, and OK.
#include <QDialog>
#include <cstdint>
#include <string>

class QLabel;
class QPushButton;
namespace platform {
class ImageControl;
}

class Info : public QDialog {
    Q_OBJECT
public:
    // The program-wide values the box reads when it loads and on each click.
    struct Valori {
        const int16_t& lingua;
        const std::string& sito_home;
        const std::string& sito_base;
        const std::string& sito_primario;
    };
    // The maker's contact address.
    static constexpr const char* indirizzo_email = "tavoly@example.com";

    explicit Info(const Valori& valori, QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click();
    void Image1_Click();
    void LabelSito_Click();
    void Labelemail_Click();

    platform::ImageControl* Image1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* LabelSito = nullptr;
    QLabel* Labelemail = nullptr;
    QLabel* LabOu = nullptr;
    QLabel* LabC6 = nullptr;
    QPushButton* Command1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Valori valori_;
};
