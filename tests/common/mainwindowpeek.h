#pragma once

#include "app/mainwindow.h"

// Lets tests read the main window's private members. Header-only: include it
// only from tests that link the app library.
struct MainWindowPeek
{
    explicit MainWindowPeek(MainWindow &window)
        : window(window)
    {
    }

    const QString &productName() const { return window.productName; }
    const QString &internalName() const { return window.internalName; }
    const QString &productVersion() const { return window.productVersion; }
    const QString &releaseYear() const { return window.releaseYear; }
    const QString &companyName() const { return window.companyName; }
    const QString &companyDomain() const { return window.companyDomain; }

    QSettings *settings() const { return window.settings; }
    const QString &dirOpen() const { return window.dirOpen; }
    const QString &dirSave() const { return window.dirSave; }
    const QString &lastFile() const { return window.lastFile; }

    QLabel &labelX() const { return window.labelX; }
    QLabel &labelY() const { return window.labelY; }
    QShortcut &shortcutCancel() const { return window.shortcutCancel; }
    QShortcut &shortcutDelete() const { return window.shortcutDelete; }

    QGraphicsScene &scene() const { return window.scene; }
    QGraphicsPixmapItem &planImage() const { return window.planImage; }
    ProjectDocument &document() const { return window.document; }
    BaseGraphicsItem *editingItem() const { return window.editingItem; }

    MainWindow &window;
};
