#include "scene/userprompts.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QPushButton>
#include <QUrl>

namespace {

UserPrompts *installed = nullptr;

} // namespace

UserPrompts::~UserPrompts()
{
    if (installed == this)
        installed = nullptr;
}

QMessageBox::StandardButton UserPrompts::question(QWidget *parent, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::question(parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton UserPrompts::information(QWidget *parent, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::information(parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton UserPrompts::warning(QWidget *parent, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::warning(parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton UserPrompts::critical(QWidget *parent, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::critical(parent, title, text, buttons, defaultButton);
}

int UserPrompts::choose(
    QWidget *parent, const QString &title, const QString &text, const QStringList &buttons)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> added;
    for (const QString &name : buttons)
        added << box.addButton(name, QMessageBox::AcceptRole);
    if (!added.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton *>(added.first()));
    box.exec();
    return added.indexOf(box.clickedButton());
}

QString UserPrompts::getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
    const QString &filter, QString *selectedFilter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter, selectedFilter);
}

QString UserPrompts::getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
    const QString &filter, QString *selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
}

double UserPrompts::getDouble(QWidget *parent, const QString &title, const QString &label,
    double value, double min, double max, int decimals, bool *ok)
{
    return QInputDialog::getDouble(parent, title, label, value, min, max, decimals, ok);
}

QString UserPrompts::getText(
    QWidget *parent, const QString &title, const QString &label, const QString &text, bool *ok)
{
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, ok);
}

int UserPrompts::exec(QDialog *dialog)
{
    return dialog->exec();
}

bool UserPrompts::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

UserPrompts *UserPrompts::current()
{
    static UserPrompts fallback;
    return installed ? installed : &fallback;
}

void UserPrompts::setCurrent(UserPrompts *prompts)
{
    installed = prompts;
}
