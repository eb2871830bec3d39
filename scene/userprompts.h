#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QDialog;
class QUrl;
class QWidget;

// Every modal question, message box, file dialog, input dialog and custom modal
// dialog of the program goes through this interface, and so does opening a
// document with the desktop's handler. The default implementation shows the real
// Qt dialogs; tests install a subclass that answers from a script.
class UserPrompts
{
public:
    virtual ~UserPrompts();

    virtual QMessageBox::StandardButton question(QWidget *parent, const QString &title,
        const QString &text,
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    virtual QMessageBox::StandardButton information(QWidget *parent, const QString &title,
        const QString &text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    virtual QMessageBox::StandardButton warning(QWidget *parent, const QString &title,
        const QString &text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    virtual QMessageBox::StandardButton critical(QWidget *parent, const QString &title,
        const QString &text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // A question answered by one of the buttons named (the first is the default):
    // returns the index of the button chosen, -1 when the box was closed without one.
    virtual int choose(
        QWidget *parent, const QString &title, const QString &text, const QStringList &buttons);

    // An empty string means the dialog was cancelled.
    virtual QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
        const QString &filter, QString *selectedFilter = nullptr);
    virtual QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
        const QString &filter, QString *selectedFilter = nullptr);

    // *ok (when given) tells whether the user confirmed; the value is meaningless otherwise.
    virtual double getDouble(QWidget *parent, const QString &title, const QString &label,
        double value, double min, double max, int decimals, bool *ok);
    virtual QString getText(
        QWidget *parent, const QString &title, const QString &label, const QString &text, bool *ok);

    // Runs a dialog the program built itself modally; returns QDialog::exec()'s result.
    virtual int exec(QDialog *dialog);

    // Hands a document to the desktop's default handler.
    virtual bool openUrl(const QUrl &url);

    // The instance the program uses right now: the one the main window installed,
    // or a default one. Items that show dialogs of their own ask here.
    static UserPrompts *current();
    // Does not take ownership; nullptr returns to the default instance.
    static void setCurrent(UserPrompts *prompts);
};
