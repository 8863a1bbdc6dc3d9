#include "frmAbout.h"

#include "LicenseForm.h"
#include "Prompt.h"
#include "StartUp.h"
#include "TextRegister.h"
#include "isButton.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

frmAbout::frmAbout(const TextRegister& texts, QWidget* parent)
    : QDialog(parent)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("frmAbout"));
    const auto textOr = [&texts](int n, const QString& english) {
        const QString text = texts.text(n);
        return text.isEmpty() ? english : text;
    };
    setWindowTitle(textOr(292, QStringLiteral("About Korvalis")));

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(48, 48));

    m_title = new QLabel(texts.text(1), this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 4);
    m_title->setFont(titleFont);
    m_version = new QLabel(texts.text(2) + QLatin1Char(' ') + texts.text(3), this);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    m_description = new QLabel(texts.text(5), this);
    m_description->setObjectName(QStringLiteral("lblDescription"));
    m_description->setWordWrap(true);
    auto* credit = new QLabel(
        textOr(293, QStringLiteral("Korvalis is built with Qt, SQLite, libburn and libisofs.")), this);
    credit->setObjectName(QStringLiteral("lblCredit"));
    credit->setWordWrap(true);
    m_contact = new QLineEdit(StartUp::supportAddress(), this);
    m_contact->setObjectName(QStringLiteral("txtContact"));
    m_contact->setReadOnly(true);

    m_ok = new isButton(textOr(315, QStringLiteral("OK")), -1, this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_license = new isButton(textOr(294, QStringLiteral("Licence")), -1, this);
    m_license->setObjectName(QStringLiteral("cmdLicense"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(m_title, 0, 1);
    layout->addWidget(m_version, 1, 1);
    layout->addWidget(m_description, 2, 1);
    layout->addWidget(credit, 3, 1);
    layout->addWidget(m_contact, 4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_license);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons, 5, 0, 1, 2);
    setMinimumWidth(420);

    connect(m_ok, &isButton::Click, this, [this] { accept(); });
    connect(m_license, &isButton::Click, this, [this] {
        LicenseForm license(m_texts, this);
        Prompt::exec(license);
    });
}
