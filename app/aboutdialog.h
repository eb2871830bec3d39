#pragma once

#include <QDialog>

namespace Ui {
class AboutDialog;
}

// The About box. Its text comes from the main window's version strings, so it
// stays empty under any other parent.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent);
    ~AboutDialog() override;

    // The rich text of the box for the given version strings, with the maker's contacts.
    static QString aboutText(const QString &productName, const QString &internalName,
        const QString &productVersion, const QString &releaseYear, const QString &companyName,
        const QString &companyDomain);

    static const char *const email;
    static const char *const firstPhone;
    static const char *const secondPhone;

private:
    Ui::AboutDialog *ui;
};
