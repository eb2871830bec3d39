#include "app/aboutdialog.h"
#include "ui_aboutdialog.h"

#include "app/mainwindow.h"

const char *const AboutDialog::email = "info@tarnis.example";
const char *const AboutDialog::firstPhone = "+7 (000) 000-00-01";
const char *const AboutDialog::secondPhone = "+7 (000) 000-00-02";

namespace {

QString paragraph(const QString &style, const QString &content)
{
    return QStringLiteral("<p><span style=\" ") + style + QStringLiteral(";\">") + content
        + QStringLiteral("</span></p>");
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    if (auto *window = qobject_cast<MainWindow *>(parent))
        ui->label->setText(
            aboutText(window->productName, window->internalName, window->productVersion,
                window->releaseYear, window->companyName, window->companyDomain));
}

AboutDialog::~AboutDialog()
{
    delete ui;
}

QString AboutDialog::aboutText(const QString &productName, const QString &internalName,
    const QString &productVersion, const QString &releaseYear, const QString &companyName,
    const QString &companyDomain)
{
    const QString large = QStringLiteral("font-size:16pt");
    const QString small = QStringLiteral("font-size:10pt");
    const QString title
        = QStringLiteral("font-family:'Times New Roman','serif'; font-size:24pt; font-weight:600");
    return QStringLiteral("<html><head/><body>") + paragraph(large, productName)
        + paragraph(title, internalName) + paragraph(large, QStringLiteral("v.") + productVersion)
        + paragraph(small, releaseYear) + paragraph(small, companyName)
        + paragraph(small, QStringLiteral("Email: ") + QString::fromUtf8(email))
        + paragraph(small, QStringLiteral("Web: ") + companyDomain)
        + paragraph(small, QString::fromUtf8(firstPhone))
        + paragraph(small, QString::fromUtf8(secondPhone)) + QStringLiteral("</body></html>");
}
