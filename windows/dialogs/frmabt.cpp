#include "windows/dialogs/frmabt.h"

#include "buildinfo.h"
#include "platform/commandbutton.h"
#include "platform/fonts.h"
#include "platform/label.h"
#include "resources/layouts.h"
#include "windows/dialogs/module1.h"
#include "windows/program.h"

#include <QGuiApplication>
#include <QPalette>

using namespace platform;

FrmAbt::FrmAbt(Program &program)
    : Form(program.services(), layouts::FrmAbt), Label2(control<Label>("Label2")),
      Label5(control<Label>("Label5")), Label6(control<Label>("Label6")),
      Label7(control<Label>("Label7")), Command3(control<CommandButton>("Command3")),
      program(program)
{
    Label7->setCaption(QStringLiteral("Version ") + QLatin1String(buildinfo::Version));
    Label6->setCaption(QLatin1String(buildinfo::WebAddress));
    Label5->setCaption(QLatin1String(buildinfo::SupportAddress));
    // The addresses are the build's: they shrink a little to fit, and say all in their tip.
    for (Label *link : {Label5, Label6}) {
        link->setFont(fitText(link->font(), link->text(), link->size(), false));
        link->setToolTip(link->text());
    }
    // The logo sits on the desktop's highlighted-text colour.
    auto *logo = control<QLabel>("Picture1");
    QPalette p = logo->palette();
    p.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::HighlightedText));
    logo->setPalette(p);
    logo->setAutoFillBackground(true);
    logo->setAlignment(Qt::AlignCenter);
    connect(Command3, &CommandButton::clicked, this, [this] { Command3_Click(); });
    connect(Label5, &Label::Click, this, [this] { Label5_Click(); });
    connect(Label6, &Label::Click, this, [this] { Label6_Click(); });
}

void FrmAbt::Form_Load()
{
    Label2->setCaption(QChar(169) + QStringLiteral(" 2026 Quillanor"));
}

void FrmAbt::Command3_Click()
{
    unload();
}

void FrmAbt::Label5_Click()
{
    OpenURL(program, *this, QStringLiteral("mailto:") + QLatin1String(buildinfo::SupportAddress));
}

void FrmAbt::Label6_Click()
{
    OpenURL(program, *this, QLatin1String(buildinfo::WebAddress));
}
