#include "desktop/Info.h"
#include "desktop/AprePaginaWeb.h"
#include "platform/bind.h"
#include "platform/controls.h"
#include "platform/failure.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kLogo = 112;   // pixels

QLabel* link_label(const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setCursor(Qt::PointingHandCursor);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #0b5f86;"));
    return label;
}

} // namespace

Info::Info(const Valori& valori, QWidget* parent) : QDialog(parent), valori_(valori)
{
    setWindowTitle(QStringLiteral("About Tavoly?"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Image1 = new platform::ImageControl(this);
    Image1->setStretch(true);
    Image1->setPicture(QIcon(QStringLiteral(":/art/about_logo.svg")).pixmap(QSize(kLogo, kLogo), devicePixelRatioF()));
    Image1->setFixedSize(kLogo, kLogo);
    Image1->setCursor(Qt::PointingHandCursor);
    Label2 = new QLabel(QStringLiteral("Tavoly 1.0"), this);
    Label2->setFont(platform::design_font(16));
    LabelSito = link_label(QStringLiteral("Help On line"), this);
    Labelemail = link_label(QStringLiteral("email: ") + QString::fromLatin1(indirizzo_email), this);
    LabOu = new QLabel(this);
    LabC6 = new QLabel(this);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setDefault(true);
    Command1->setMinimumWidth(88);

    auto* facts = new QVBoxLayout;
    facts->addWidget(Label2);
    facts->addSpacing(8);
    facts->addWidget(LabelSito);
    facts->addWidget(Labelemail);
    facts->addStretch();
    auto* top = new QHBoxLayout;
    top->setSpacing(18);
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(facts);
    auto* bottom = new QHBoxLayout;
    auto* notices = new QVBoxLayout;
    notices->addWidget(LabOu);
    notices->addWidget(LabC6);
    bottom->addLayout(notices);
    bottom->addStretch();
    bottom->addWidget(Command1, 0, Qt::AlignBottom);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(18, 18, 18, 14);
    all->addLayout(top);
    all->addSpacing(12);
    all->addLayout(bottom);
    all->setSizeConstraint(QLayout::SetFixedSize);

    platform::on(Command1, &QPushButton::clicked, this, "Command1_Click", &Info::Command1_Click);
    platform::on(Image1, &platform::ImageControl::clicked, this, "Image1_Click", &Info::Image1_Click);
    LabelSito->installEventFilter(this);
    Labelemail->installEventFilter(this);
    Form_Load();
}

void Info::Form_Load()
{
    const bool italiano = valori_.lingua != 0;
    LabOu->setText(italiano ? QStringLiteral("Outlook è un marchio di Microsoft Corp.")
                            : QStringLiteral("Outlook is a mark of Microsoft Corp."));
    LabC6->setText(italiano ? QStringLiteral("C6 è un marchio di Telecom Italia")
                            : QStringLiteral("C6 is a mark of  Telecom Italia"));
}

void Info::Command1_Click()
{
    accept();
}

void Info::Image1_Click()
{
    AprePaginaWeb::apre_pagina_web(valori_.sito_home);
}

void Info::LabelSito_Click()
{
    platform::resume_next([&] {
        AprePaginaWeb::apre_pagina_web(
            AprePaginaWeb::pagina_guida(valori_.sito_base, valori_.sito_primario, valori_.lingua));
    });
}

void Info::Labelemail_Click()
{
    AprePaginaWeb::apre_email(indirizzo_email, "", "", "", "", "");
}

bool Info::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == LabelSito)
            platform::guard("LabelSito_Click", [this] { LabelSito_Click(); });
        else if (watched == Labelemail)
            platform::guard("Labelemail_Click", [this] { Labelemail_Click(); });
    }
    return QDialog::eventFilter(watched, e);
}
