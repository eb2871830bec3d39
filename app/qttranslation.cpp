#include "app/qttranslation.h"

#include <QCoreApplication>
#include <QString>
#include <QTranslator>

// The translation lives in a static library: its resources are registered by
// hand, outside any namespace as the resource compiler's function is.
static void registerTranslations()
{
    static bool registered = false;
    if (!registered) {
        Q_INIT_RESOURCE(translations);
        registered = true;
    }
}

bool installQtTranslation(QCoreApplication &app)
{
    registerTranslations();
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral(":/translations/qtbase_ru.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
