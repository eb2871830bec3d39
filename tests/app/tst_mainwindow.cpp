#include "app/aboutdialog.h"
#include "app/mainwindow.h"
#include "app/versioninfo.h"
#include "common/mainwindowpeek.h"
#include "common/scriptedprompts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QGraphicsView>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWindow>
#include <QtTest>

namespace {

const QString organization = QStringLiteral("Tarnis");
const QString application = QStringLiteral("ZOR-51ma Position");
const QString fullTitle = QStringLiteral("Конфигуратор  зон контроля ZIR Фаргос АО «Тарнис»");

QStringList actionNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (QAction *action : actions)
        if (!action->isSeparator())
            names << action->objectName();
    return names;
}

QStringList comboEntries(const QComboBox *combo)
{
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void actions_data();
    void actions();
    void checkableActionsAtStart();
    void menus();
    void toolbars();
    void sidePanelsAtStart();
    void statusBar();
    void formLayout();
    void detectorPanelFitsTheWindow();
    void obstacleFields_data();
    void obstacleFields();
    void detectorWidgets_data();
    void detectorWidgets();
    void detectorLists();
    void detectorRanges();
    void tabOrder();
    void sceneAtStart();
    void planImageVisibility();
    void shortcuts();

    void versionStrings_data();
    void versionStrings();
    void titleFromVersionStrings();
    void titleWithoutVersionStrings();

    void settingsRead();
    void lastFileKeyNeedsItsBlank();
    void welcomeStoresNever_data();
    void welcomeStoresNever();
    void welcomeNotShownWhenNever();
    void welcomeDialogContent();
    void aboutText();
    void aboutDialogFromWindow();
    void manualOpensFileInWorkingDirectory();
    void startsWithoutDisplay();

private:
    QTemporaryDir scratch;
};

void TestMainWindow::initTestCase()
{
    // The harness gives every test its own settings folder; run by hand, the
    // test must not touch the user's own store either.
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        QVERIFY(scratch.isValid());
        qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    }
    const QString store = QSettings(organization, application).fileName();
    QVERIFY2(store.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(store));
}

void TestMainWindow::init()
{
    QSettings settings(organization, application);
    settings.clear();
    settings.setValue(QStringLiteral("never"), true);
}

void TestMainWindow::cleanup()
{
    resetVersionRecord();
}

void TestMainWindow::actions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("iconText");
    QTest::addColumn<QString>("toolTip"); // null: not set
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("icon"); // empty: none
    QTest::addColumn<bool>("checkable");

    const QString icons = QStringLiteral(":/icons/Resources/Icons/");
    auto tip = [](const char *text, const char *keys) {
        return QStringLiteral("<html><head/><body><p>%1</p><p>%2</p></body></html>")
            .arg(QString::fromUtf8(text), QString::fromUtf8(keys));
    };
    QTest::newRow("actionNew") << "Новый проект"
                               << "Новый\nпроект"
                               << "Новый проект" << QString() << icons + "document-new.ico"
                               << false;
    // The tool tip names the key the action really has ("Ctrl", not a misspelling of it).
    QTest::newRow("actionOpen") << "Открыть проект"
                                << "Открыть\nпроект" << tip("Открыть проект", "Ctrl+O") << "Ctrl+O"
                                << icons + "folder_open.ico" << false;
    QTest::newRow("actionSave") << "Сохранить проект"
                                << "Сохранить\nпроект" << tip("Сохранить проект", "Ctrl+Shift+S")
                                << "Ctrl+Shift+S" << icons + "save.ico" << false;
    // The tool tips name the step once there is one.
    QTest::newRow("actionUndo") << "Отменить"
                                << "Отменить"
                                << "Отменить"
                                << "Ctrl+Z" << icons + "edit-undo.ico" << false;
    QTest::newRow("actionRedo") << "Повторить"
                                << "Повторить"
                                << "Повторить"
                                << "Ctrl+Y" << icons + "edit-redo.ico" << false;
    QTest::newRow("actionExportPDF")
        << "Экспорт схемы в PDF"
        << "Экспорт\nсхемы в PDF"
        << "Экспорт схемы в PDF" << QString() << icons + "export_pdf.ico" << false;
    QTest::newRow("actionExportCSV")
        << "Экспорт данных в CSV"
        << "Экспорт\nданных в CSV"
        << "Экспорт данных в CSV" << QString() << icons + "export_to_csv.ico" << false;
    QTest::newRow("actionAllView") << "Автомасштаб"
                                   << "Автомасштаб" << tip("Автомасштаб", "Ctrl+A") << "Ctrl+A"
                                   << icons + "full_screen_2.ico" << false;
    QTest::newRow("planImageOpenAction") << "Выбрать изображение"
                                         << "Выбрать\nизображение" << QString() << QString()
                                         << icons + "floor_plan-image.ico" << false;
    QTest::newRow("planImageViewAction") << "Отобразить изображение"
                                         << "Отобразить\nизображение" << QString() << QString()
                                         << icons + "floor_plan-ok2.ico" << true;
    QTest::newRow("caliberSetAction")
        << "Обозначить масштаб"
        << "Обозначить\nмасштаб" << QString() << QString() << icons + "tool_ruler.ico" << true;
    QTest::newRow("caliberViewAction")
        << "Отобразить масштаб"
        << "Отобразить\nмасштаб" << QString() << QString() << icons + "tool_ruler-ok2.ico" << true;
    QTest::newRow("actionRoulette")
        << "Измерить расстояние"
        << "Измерить\nрасстояние" << QString() << QString() << icons + "tool_meter.ico" << true;
    QTest::newRow("planPathSetAction") << "Обозначить контур"
                                       << "Обозначить\nконтур" << QString() << QString()
                                       << icons + "floor_plan_white-edit.ico" << true;
    QTest::newRow("planPathClearAction") << "Очистить контур"
                                         << "Очистить\nконтур" << QString() << QString()
                                         << icons + "floor_plan_white-delete2.ico" << false;
    QTest::newRow("planPathViewAction") << "Отобразить контур"
                                        << "Отобразить\nконтур" << QString() << QString()
                                        << icons + "floor_plan_white-ok2.ico" << true;
    QTest::newRow("objectCreateAction")
        << "Добавить препятствие"
        << "Добавить\nпрепятствие" << tip("Добавить препятствие", "Alt+O") << "Alt+O"
        << icons + "rect.ico" << true;
    QTest::newRow("ellipseCreateAction")
        << "Добавить препятствие"
        << "Добавить\nпрепятствие" << tip("Добавить препятствие", "Alt+C") << "Alt+C"
        << icons + "show.ico" << true;
    QTest::newRow("sensorCreateAction")
        << "Добавить извещатель"
        << "Добавить\nизвещатель" << tip("Добавить извещатель", "Alt+S") << "Alt+S"
        << icons + "camera_cctv-2.png" << true;
    QTest::newRow("actionLabel") << "Отобразить сноски"
                                 << "Отобразить\nсноски"
                                 << "Отобразить сноски" << QString() << icons + "comment-ok2.ico"
                                 << true;
    QTest::newRow("actionSensorRay")
        << "Отобразить вектор"
        << "Отобразить\nвектор"
        << "Отобразить вектор" << QString() << icons + "tool_ray-ok2.ico" << true;
    QTest::newRow("actionCoverageMap")
        << "Карта покрытия"
        << "Карта\nпокрытия"
        << "Карта покрытия: пол, который не видит ни один извещатель, видит один, видят два и более"
        << QString() << icons + "coverage_map.ico" << true;
    QTest::newRow("actionAbout") << "О программе"
                                 << "О программе" << QString() << QString() << icons + "help.ico"
                                 << false;
    QTest::newRow("actionManual") << "Порядок работы"
                                  << "Порядок работы" << QString() << QString()
                                  << icons + "info.ico" << false;
    QTest::newRow("actionExportImage")
        << "Экспорт в изображение"
        << "Экспорт в изображение" << QString() << QString() << QString() << false;
}

void TestMainWindow::actions()
{
    QFETCH(QString, text);
    QFETCH(QString, iconText);
    QFETCH(QString, toolTip);
    QFETCH(QString, shortcut);
    QFETCH(QString, icon);
    QFETCH(bool, checkable);

    MainWindow window;
    auto *action = window.findChild<QAction *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->iconText(), iconText);
    if (!toolTip.isNull())
        QCOMPARE(action->toolTip(), toolTip);
    QCOMPARE(action->shortcut(), QKeySequence(shortcut));
    QCOMPARE(action->isCheckable(), checkable);
    if (icon.isEmpty()) {
        QVERIFY(action->icon().isNull());
    } else {
        QVERIFY2(QFile::exists(icon), qPrintable(icon));
        QVERIFY(!action->icon().isNull());
        QCOMPARE(iconImage(action->icon()), iconImage(QIcon(icon)));
    }
}

void TestMainWindow::checkableActionsAtStart()
{
    MainWindow window;
    QStringList checked;
    int checkable = 0;
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->objectName().isEmpty() || !action->isCheckable())
            continue;
        ++checkable;
        if (action->isChecked())
            checked << action->objectName();
    }
    checked.sort();
    QCOMPARE(checked, QStringList({ "actionLabel", "actionSensorRay" }));
    QCOMPARE(checkable, 12);
}

void TestMainWindow::menus()
{
    MainWindow window;
    const QList<QAction *> bar = window.menuBar()->actions();
    QStringList titles;
    QStringList names;
    for (QAction *entry : bar) {
        titles << entry->text();
        names << entry->menu()->objectName();
    }
    QCOMPARE(titles,
        QStringList({ "Файл", "Правка", "Вид", "План", "Препятствия", "Извещатели", "Справка" }));
    QCOMPARE(names,
        QStringList({ "menu", "menuEdit", "menu_2", "menu_3", "menu_4", "menu_5", "menu_6" }));

    const QList<QStringList> expected = {
        { "actionNew", "actionOpen", "actionRecent", "actionSave", "actionExportPDF",
            "actionExportReport", "actionExportCSV", "actionExportImage" },
        { "actionUndo", "actionRedo" },
        { "actionAllView", "planImageViewAction", "caliberViewAction", "planPathViewAction",
            "actionLabel", "actionSensorRay", "actionCoverageMap" },
        { "planImageOpenAction", "caliberSetAction" },
        { "planPathSetAction", "planPathClearAction", "objectCreateAction" },
        { "sensorCreateAction" },
        { "actionAbout", "actionManual" },
    };
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(actionNames(bar.at(i)->menu()->actions()), expected.at(i));
}

void TestMainWindow::toolbars()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    struct Expected
    {
        const char *name;
        const char *title;
        QStringList actions;
    };
    const Expected expected[] = {
        { "toolBarFile", "Файл",
            { "actionNew", "actionOpen", "actionSave", "actionUndo", "actionRedo",
                "actionExportPDF", "actionExportCSV", "actionAllView" } },
        { "toolBarPlan", "План",
            { "planImageOpenAction", "planImageViewAction", "caliberSetAction", "caliberViewAction",
                "actionRoulette" } },
        { "toolBarObjects", "Препятствия",
            { "planPathSetAction", "planPathViewAction", "planPathClearAction",
                "objectCreateAction", "ellipseCreateAction" } },
        { "toolBarSensors", "Извещатели",
            { "sensorCreateAction", "actionLabel", "actionSensorRay", "actionCoverageMap" } },
    };
    QCOMPARE(window.findChildren<QToolBar *>().size(), 4);
    // Two rows, "Файл" and "План" above "Препятствия" and "Извещатели", so that every
    // button shows at the window's size.
    QToolBar *previous = nullptr;
    for (const Expected &e : expected) {
        auto *bar = window.findChild<QToolBar *>(QString::fromLatin1(e.name));
        QVERIFY2(bar, e.name);
        QCOMPARE(bar->windowTitle(), QString::fromUtf8(e.title));
        QCOMPARE(actionNames(bar->actions()), e.actions);
        QCOMPARE(window.toolBarArea(bar), Qt::TopToolBarArea);
        QCOMPARE(bar->iconSize(), QSize(32, 32));
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY2(bar->geometry().right() < window.width(), e.name);
        if (previous) {
            const bool newRow = bar->geometry().top() > previous->geometry().top();
            QCOMPARE(newRow, qstrcmp(e.name, "toolBarObjects") == 0);
            if (!newRow)
                QVERIFY2(bar->geometry().left() > previous->geometry().right(), e.name);
        }
        previous = bar;
    }
    QVERIFY(window.findChild<QToolBar *>("toolBarFile")->isMovable());
}

void TestMainWindow::sidePanelsAtStart()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *objectGroup = window.findChild<QGroupBox *>("objectGroup");
    auto *sensorGroup = window.findChild<QGroupBox *>("sensorGroup");
    QVERIFY(objectGroup && sensorGroup);
    QVERIFY(objectGroup->isVisible());
    QVERIFY(sensorGroup->isVisible());
    QCOMPARE(objectGroup->title(), QStringLiteral("Препятствия"));
    QCOMPARE(sensorGroup->title(), QStringLiteral("Извещатели"));
    QVERIFY(window.findChild<QFrame *>("objectPanel")->isHidden());
    QVERIFY(window.findChild<QFrame *>("sensorPanel")->isHidden());
}

void TestMainWindow::statusBar()
{
    MainWindow window;
    MainWindowPeek peek(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(peek.labelX().text(), QStringLiteral("X:"));
    QCOMPARE(peek.labelY().text(), QStringLiteral("Y:"));
    QCOMPARE(peek.labelX().parentWidget(), window.statusBar());
    QCOMPARE(peek.labelY().parentWidget(), window.statusBar());
    QVERIFY(peek.labelX().isVisible());
    QVERIFY(peek.labelX().x() < peek.labelY().x());
}

void TestMainWindow::formLayout()
{
    MainWindow window;
    QCOMPARE(window.size(), QSize(1432, 924));
    auto *splitter = window.findChild<QSplitter *>("splitter");
    QVERIFY(splitter);
    QCOMPARE(splitter->orientation(), Qt::Horizontal);
    QCOMPARE(splitter->count(), 2);
    QCOMPARE(splitter->widget(0)->objectName(), QStringLiteral("widget"));
    // The side frame scrolls inside the splitter's right pane.
    auto *scroll = qobject_cast<QScrollArea *>(splitter->widget(1));
    QVERIFY(scroll);
    QCOMPARE(scroll->widget()->objectName(), QStringLiteral("frame"));
    QCOMPARE(splitter->widget(0)->sizePolicy().horizontalStretch(), 10);

    auto *view = window.findChild<QGraphicsView *>("graphicsView");
    QVERIFY(view);
    QCOMPARE(view->metaObject()->className(), "View");
    QVERIFY(view->hasMouseTracking());
    QCOMPARE(view->parentWidget(), splitter->widget(0));

    auto *frame = window.findChild<QFrame *>("frame");
    QCOMPARE(frame->minimumWidth(), 427);
    QCOMPARE(window.findChild<QGroupBox *>("objectGroup")->parentWidget(), frame);
    QCOMPARE(window.findChild<QGroupBox *>("sensorGroup")->parentWidget(), frame);

    for (const char *name : { "objectsList", "sensorsList" }) {
        auto *list = window.findChild<QListView *>(name);
        QVERIFY2(list, name);
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    }
}

void TestMainWindow::obstacleFields_data()
{
    QTest::addColumn<double>("minimum");
    QTest::newRow("objectX") << -1000.0;
    QTest::newRow("objectY") << -1000.0;
    QTest::newRow("objectW") << 0.01;
    QTest::newRow("objectH") << 0.01;
}

void TestMainWindow::obstacleFields()
{
    QFETCH(double, minimum);
    MainWindow window;
    auto *field = window.findChild<QDoubleSpinBox *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(field);
    QCOMPARE(field->metaObject()->className(), "DoubleSpinBoxChange");
    QCOMPARE(field->parentWidget()->objectName(), QStringLiteral("objectPanel"));
    QCOMPARE(field->decimals(), 3);
    QCOMPARE(field->singleStep(), 0.1);
    QCOMPARE(field->suffix(), QStringLiteral(" м"));
    QCOMPARE(field->minimum(), minimum);
    QCOMPARE(field->maximum(), 1000.0);
}

void TestMainWindow::detectorWidgets_data()
{
    QTest::addColumn<QString>("className");
    QTest::newRow("labelSensorImage") << "QLabel";
    QTest::newRow("sensorTag") << "QLineEdit";
    QTest::newRow("sensorPos") << "DoubleSpinBoxChange";
    QTest::newRow("sensorAtLeft") << "RadioButtonChange";
    QTest::newRow("sensorAtRight") << "RadioButtonChange";
    QTest::newRow("sensorType") << "ComboBoxChange";
    QTest::newRow("sensorAnalysisTypeLabel") << "QLabel";
    QTest::newRow("sensorAnalysisType") << "ComboBoxChange";
    QTest::newRow("sensorSensitivitySlider") << "Slider";
    QTest::newRow("sensorSensitivity") << "DoubleSpinBoxChange";
    QTest::newRow("sensorSensitivityLen") << "SpinBoxChange";
    QTest::newRow("sensorHeightSlider") << "QSlider";
    QTest::newRow("sensorHeight") << "DoubleSpinBoxChange";
    QTest::newRow("sensorAngleSlider") << "QSlider";
    QTest::newRow("sensorAngle") << "DoubleSpinBoxChange";
    QTest::newRow("sensorTiltSlider") << "QSlider";
    QTest::newRow("sensorTilt") << "DoubleSpinBoxChange";
    QTest::newRow("sensorBody") << "ComboBoxChange";
    QTest::newRow("sensorIn1") << "ComboBoxChange";
    QTest::newRow("sensorIn2") << "ComboBoxChange";
    QTest::newRow("sensorInterface") << "ComboBoxChange";
    QTest::newRow("sensorCertificate") << "ComboBoxChange";
    QTest::newRow("sensorOptionHanger") << "CheckBoxChange";
    QTest::newRow("sensorOptionRS1") << "CheckBoxChange";
    QTest::newRow("sensorOptionRS2") << "CheckBoxChange";
}

void TestMainWindow::detectorPanelFitsTheWindow()
{
    // The full detector panel must not push the window past its designed height
    // (1432 x 924): the side frame scrolls instead.
    MainWindow window;
    window.show();
    window.findChild<QWidget *>("objectGroup")->hide();
    window.findChild<QWidget *>("sensorPanel")->show();
    QApplication::processEvents();
    QVERIFY2(window.minimumSizeHint().height() <= 924,
        qPrintable(QString::number(window.minimumSizeHint().height())));

    // The sensitivity slider spans the panel, so that its twelve distance labels
    // have room.
    auto *slider = window.findChild<QWidget *>("sensorSensitivitySlider");
    auto *frame = window.findChild<QWidget *>("frame");
    QVERIFY(slider->width() > frame->width() * 3 / 4);
}

void TestMainWindow::detectorWidgets()
{
    QFETCH(QString, className);
    MainWindow window;
    auto *panel = window.findChild<QFrame *>("sensorPanel");
    QVERIFY(panel);
    QVERIFY(qobject_cast<QFormLayout *>(panel->layout()));
    auto *widget = panel->findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
}

void TestMainWindow::detectorLists()
{
    MainWindow window;
    auto combo = [&](const char *name) { return window.findChild<QComboBox *>(name); };

    QCOMPARE(comboEntries(combo("sensorType")),
        QStringList(
            { "ZIR-51мa-RS-330-1 \"Фаргос-3 ИК\"", "ZIR-51ма-RS-329/330-1 \"Фаргос-ИК/УФ\"" }));
    // The first model name has a Latin a after 51м, the second a Cyrillic а.
    QCOMPARE(combo("sensorType")->itemText(0).at(7), QChar(0x0061));
    QCOMPARE(combo("sensorType")->itemText(1).at(7), QChar(0x0430));
    QCOMPARE(comboEntries(combo("sensorAnalysisType")),
        QStringList({ "3 ИК", "3 ИК (помехозащищенность)" }));
    QCOMPARE(combo("sensorAnalysisType")->currentIndex(), 0);
    QCOMPARE(comboEntries(combo("sensorBody")),
        QStringList({ "Алюминиевый сплав", "Нержавеющая сталь" }));
    QCOMPARE(comboEntries(combo("sensorInterface")),
        QStringList({ "RS", "4-20", "HART", "ДPRO", "SF" }));
    QCOMPARE(comboEntries(combo("sensorCertificate")), QStringList({ "Нет", "РКО", "РМРС" }));

    const QStringList cableEntries = {
        "Нет",
        "ЗГ",
        "ЗГ-Н",
        "КВБ12",
        "КВБ12-Н",
        "КВБ17",
        "КВБ17-Н",
        "КВБМ20",
        "КВБМ20-Н",
        "КВБМ25",
        "КВБМ25-Н",
        "КВБУ14",
        "КВБУ14-Н",
        "КВБУ18",
        "КВБУ18-Н",
        "КВБУ22",
        "КВБУ22-Н",
        "КВМ15",
        "КВМ15-Н",
        "КВМ20",
        "КВМ20-Н",
        "КВМ25",
        "КВМ25-Н",
        "КВО10",
        "КВО10-Н",
        "КВО14",
        "КВО14-Н",
        "ОЭ",
        "ОЭ-Н",
        "ШТ1\"",
        "ШТ1\"-Н",
        "ШТ1/2\"",
        "ШТ1/2\"-Н",
        "ШТ20",
        "ШТ20-Н",
        "ШТ25",
        "ШТ25-Н",
        "ШТ3/4\"",
        "ШТ3/4\"-Н",
    };
    QCOMPARE(cableEntries.size(), 39);
    QCOMPARE(comboEntries(combo("sensorIn1")), cableEntries);
    QCOMPARE(comboEntries(combo("sensorIn2")), cableEntries);
    for (const char *name : { "sensorType", "sensorBody", "sensorIn1", "sensorIn2",
             "sensorInterface", "sensorCertificate" })
        QCOMPARE(combo(name)->currentIndex(), 0);

    QCOMPARE(window.findChild<QAbstractButton *>("sensorAtLeft")->text(),
        QStringLiteral("от левого угла"));
    QCOMPARE(window.findChild<QAbstractButton *>("sensorAtRight")->text(),
        QStringLiteral("от правого угла"));
    QVERIFY(window.findChild<QAbstractButton *>("sensorAtLeft")->isChecked());
    QVERIFY(!window.findChild<QAbstractButton *>("sensorAtRight")->isChecked());
    QCOMPARE(window.findChild<QAbstractButton *>("sensorOptionHanger")->text(),
        QStringLiteral("Адаптер крепления на столб (ДК-ОП)"));
    QCOMPARE(window.findChild<QAbstractButton *>("sensorOptionRS1")->text(),
        QStringLiteral("Преобразователь USB ↔ RS-485 (МК1)"));
    QCOMPARE(window.findChild<QAbstractButton *>("sensorOptionRS2")->text(),
        QStringLiteral("Преобразователь USB ↔ RS-485 (МК2)"));
}

void TestMainWindow::detectorRanges()
{
    MainWindow window;
    auto slider = [&](const char *name) { return window.findChild<QSlider *>(name); };
    auto spin = [&](const char *name) { return window.findChild<QDoubleSpinBox *>(name); };

    QCOMPARE(slider("sensorSensitivitySlider")->minimum(), 0);
    QCOMPARE(slider("sensorSensitivitySlider")->maximum(), 100);
    QCOMPARE(slider("sensorSensitivitySlider")->tickInterval(), 25);
    QCOMPARE(slider("sensorSensitivitySlider")->tickPosition(), QSlider::TicksBothSides);
    QCOMPARE(spin("sensorSensitivity")->minimum(), 0.0);
    QCOMPARE(spin("sensorSensitivity")->maximum(), 100.0);
    QCOMPARE(spin("sensorSensitivity")->value(), 100.0);
    auto *distance = window.findChild<QSpinBox *>("sensorSensitivityLen");
    QCOMPARE(distance->minimum(), 17);
    QCOMPARE(distance->maximum(), 50);

    // Height 0.1 … 20 m, the slider in hundredths; turn ±90°; tilt 0 … 45°.
    QCOMPARE(spin("sensorHeight")->minimum(), 0.1);
    QCOMPARE(spin("sensorHeight")->maximum(), 20.0);
    QCOMPARE(spin("sensorHeight")->value(), 3.0);
    QCOMPARE(slider("sensorHeightSlider")->minimum(), 10);
    QCOMPARE(slider("sensorHeightSlider")->maximum(), 2000);
    QCOMPARE(slider("sensorHeightSlider")->value(), 300);
    QCOMPARE(spin("sensorAngle")->minimum(), -90.0);
    QCOMPARE(spin("sensorAngle")->maximum(), 90.0);
    QCOMPARE(slider("sensorAngleSlider")->minimum(), -90);
    QCOMPARE(slider("sensorAngleSlider")->maximum(), 90);
    QCOMPARE(spin("sensorTilt")->minimum(), 0.0);
    QCOMPARE(spin("sensorTilt")->maximum(), 45.0);
    QCOMPARE(slider("sensorTiltSlider")->minimum(), 0);
    QCOMPARE(slider("sensorTiltSlider")->maximum(), 45);
    QCOMPARE(spin("sensorPos")->minimum(), 0.0);
}

void TestMainWindow::tabOrder()
{
    MainWindow window;
    const QStringList expected = {
        "graphicsView",
        "objectsList",
        "objectX",
        "objectY",
        "objectW",
        "objectH",
        "sensorsList",
        "sensorTag",
        "sensorPos",
        "sensorAtLeft",
        "sensorAtRight",
        "sensorType",
        "sensorAnalysisType",
        "sensorSensitivitySlider",
        "sensorSensitivity",
        "sensorSensitivityLen",
        "sensorHeightSlider",
        "sensorHeight",
        "sensorAngleSlider",
        "sensorAngle",
        "sensorTiltSlider",
        "sensorTilt",
        "sensorBody",
        "sensorIn1",
        "sensorIn2",
        "sensorInterface",
        "sensorCertificate",
        "sensorOptionHanger",
        "sensorOptionRS1",
        "sensorOptionRS2",
    };
    QWidget *start = window.findChild<QWidget *>("graphicsView");
    QStringList seen;
    QWidget *w = start;
    do {
        if (expected.contains(w->objectName()) && !seen.contains(w->objectName()))
            seen << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w != start);
    QCOMPARE(seen, expected);
}

void TestMainWindow::sceneAtStart()
{
    MainWindow window;
    MainWindowPeek peek(window);
    auto *view = window.findChild<QGraphicsView *>("graphicsView");
    QCOMPARE(view->scene(), &peek.scene());
    QCOMPARE(peek.planImage().scene(), &peek.scene());
    QCOMPARE(peek.planImage().scale(), 0.0);
    QVERIFY(peek.planImage().pixmap().isNull());
    QCOMPARE(peek.editingItem(), nullptr);
}

void TestMainWindow::planImageVisibility()
{
    MainWindow window;
    MainWindowPeek peek(window);
    auto *action = window.findChild<QAction *>("planImageViewAction");
    QSignalSpy spy(&window, &MainWindow::planImageVisibled);

    window.setPlanImageVisible(false);
    QVERIFY(!peek.planImage().isVisible());
    QVERIFY(!action->isChecked());
    window.setPlanImageVisible(true);
    QVERIFY(peek.planImage().isVisible());
    QVERIFY(action->isChecked());
    window.setPlanImageVisible(false);
    QVERIFY(!action->isChecked());
    QCOMPARE(spy.size(), 3);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    QCOMPARE(spy.at(1).at(0).toBool(), true);
    QCOMPARE(spy.at(2).at(0).toBool(), false);
}

void TestMainWindow::shortcuts()
{
    MainWindow window;
    MainWindowPeek peek(window);
    QCOMPARE(peek.shortcutCancel().key(), QKeySequence(Qt::Key_Escape));
    QCOMPARE(peek.shortcutDelete().key(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(peek.shortcutCancel().context(), Qt::WindowShortcut);
    QCOMPARE(peek.shortcutDelete().context(), Qt::WindowShortcut);

    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy cancel(&peek.shortcutCancel(), &QShortcut::activated);
    QSignalSpy remove(&peek.shortcutDelete(), &QShortcut::activated);
    // Window-wide: the keys act whichever widget has the focus.
    auto *list = window.findChild<QListView *>("sensorsList");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(cancel.size(), 1);
    QCOMPARE(remove.size(), 1);
}

void TestMainWindow::versionStrings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("ProductName") << "ProductName"
                                 << "Конфигуратор";
    QTest::newRow("InternalName") << "InternalName"
                                  << " зон контроля ZIR Фаргос";
    QTest::newRow("ProductVersion") << "ProductVersion"
                                    << "1.3";
    QTest::newRow("FileVersion") << "FileVersion"
                                 << "1.3.0.0";
    QTest::newRow("ReleaseYear") << "ReleaseYear"
                                 << "2026";
    QTest::newRow("CompanyName") << "CompanyName"
                                 << "АО «Тарнис»";
    QTest::newRow("CompanyDomain") << "CompanyDomain"
                                   << "www.tarnis.example";
    QTest::newRow("absent key") << "Comments" << QString();
}

void TestMainWindow::versionStrings()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString self = QCoreApplication::applicationFilePath();
    QCOMPARE(fileVersionString(self, key, 0x040904E4), value);
    // Another string table, or a file that does not exist, has no strings.
    QCOMPARE(fileVersionString(self, key, 0x041904E3), QString());
    QCOMPARE(fileVersionString(scratch.path() + "/missing.exe", key, 0x040904E4), QString());
    QCOMPARE(
        versionQueryPath(key, 0x040904E4), QStringLiteral("\\StringFileInfo\\040904E4\\") + key);
}

void TestMainWindow::titleFromVersionStrings()
{
    MainWindow window;
    MainWindowPeek peek(window);
    QCOMPARE(window.windowTitle(), QStringLiteral("[*]") + fullTitle);
    QCOMPARE(peek.internalName(), QStringLiteral(" зон контроля ZIR Фаргос"));
    QCOMPARE(peek.productVersion(), QStringLiteral("1.3"));
    QCOMPARE(peek.releaseYear(), QStringLiteral("2026"));
    QCOMPARE(peek.companyDomain(), QStringLiteral("www.tarnis.example"));

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowHandle()->title(), fullTitle);
    window.setWindowModified(true);
    QCOMPARE(window.windowHandle()->title(), QStringLiteral("*") + fullTitle);
}

void TestMainWindow::titleWithoutVersionStrings()
{
    setVersionRecord(VersionRecord());
    MainWindow window;
    MainWindowPeek peek(window);
    QCOMPARE(window.windowTitle(), QStringLiteral("[*]  "));
    QVERIFY(peek.productName().isEmpty());
    QVERIFY(peek.companyDomain().isEmpty());
}

void TestMainWindow::settingsRead()
{
    {
        QSettings settings(organization, application);
        settings.setValue("DirOpen", "/plans/in");
        settings.setValue("DirSave", "/plans/out");
        settings.setValue("LastFile ", "/plans/out/Цех 1.prj");
    }
    MainWindow window;
    MainWindowPeek peek(window);
    QCOMPARE(peek.dirOpen(), QStringLiteral("/plans/in"));
    QCOMPARE(peek.dirSave(), QStringLiteral("/plans/out"));
    QCOMPARE(peek.lastFile(), QStringLiteral("/plans/out/Цех 1.prj"));
    QCOMPARE(peek.settings()->organizationName(), organization);
    QCOMPARE(peek.settings()->applicationName(), application);
}

void TestMainWindow::lastFileKeyNeedsItsBlank()
{
    {
        QSettings settings(organization, application);
        settings.setValue("LastFile", "/plans/old.prj");
    }
    MainWindow window;
    MainWindowPeek peek(window);
    QVERIFY(peek.lastFile().isEmpty());
    QVERIFY(peek.dirOpen().isEmpty());
    QVERIFY(peek.dirSave().isEmpty());
}

void TestMainWindow::welcomeStoresNever_data()
{
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("byCloseButton");
    QTest::newRow("ticked, OK") << true << false;
    QTest::newRow("ticked, closed") << true << true;
    QTest::newRow("not ticked, OK") << false << false;
    QTest::newRow("not ticked, closed") << false << true;
}

void TestMainWindow::welcomeStoresNever()
{
    QFETCH(bool, tick);
    QFETCH(bool, byCloseButton);
    QSettings(organization, application).remove("never");

    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    prompts->answerDialog([&](QDialog *dialog) {
        dialog->findChild<QCheckBox *>("never")->setChecked(tick);
        if (byCloseButton)
            dialog->close();
        else
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    window.show();
    // The notice waits for the event loop.
    QVERIFY(prompts->calls().isEmpty());
    QTRY_COMPARE(prompts->calls().size(), 1);
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(prompts->calls().first().title, QStringLiteral("Добро пожаловать"));
    QCOMPARE(prompts->calls().first().text, QStringLiteral("DialogWelcome"));
    QCOMPARE(QSettings(organization, application).value("never", false).toBool(), tick);
}

void TestMainWindow::welcomeNotShownWhenNever()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);
    QVERIFY(prompts->calls().isEmpty());
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
}

void TestMainWindow::welcomeDialogContent()
{
    QSettings(organization, application).remove("never");
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    QString text;
    QString box;
    bool modal = false;
    QList<QAbstractButton *> buttons;
    bool hasLogo = false;
    prompts->answerDialog([&](QDialog *dialog) {
        const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
        for (QLabel *label : labels) {
            if (!label->pixmap(Qt::ReturnByValue).isNull())
                hasLogo = true;
            else
                text = label->text();
        }
        box = dialog->findChild<QCheckBox *>("never")->text();
        buttons = dialog->findChild<QDialogButtonBox *>()->buttons();
        modal = dialog->parentWidget() == &window;
        dialog->accept();
    });
    QTRY_COMPARE(prompts->calls().size(), 1);
    QVERIFY(hasLogo);
    QVERIFY(modal);
    QCOMPARE(box, QStringLiteral("Больше не показывать"));
    QCOMPARE(buttons.size(), 1);
    QVERIFY(text.contains("Уважаемый пользователь!"));
    QVERIFY(text.contains("АО Тарнис"));
    QVERIFY(text.contains("других производителей"));
    QCOMPARE(text.count("</p>"), 6);
    QCOMPARE(text.count("font-size:10pt;"), 6);
}

void TestMainWindow::aboutText()
{
    const QString expected
        = QStringLiteral("<html><head/><body>"
                         "<p><span style=\" font-size:16pt;\">Конфигуратор</span></p>"
                         "<p><span style=\" font-family:'Times New Roman','serif'; font-size:24pt; "
                         "font-weight:600;\"> зон контроля ZIR Фаргос</span></p>"
                         "<p><span style=\" font-size:16pt;\">v.1.3</span></p>"
                         "<p><span style=\" font-size:10pt;\">2026</span></p>"
                         "<p><span style=\" font-size:10pt;\">АО «Тарнис»</span></p>"
                         "<p><span style=\" font-size:10pt;\">Email: info@tarnis.example</span></p>"
                         "<p><span style=\" font-size:10pt;\">Web: www.tarnis.example</span></p>"
                         "<p><span style=\" font-size:10pt;\">+7 (000) 000-00-01</span></p>"
                         "<p><span style=\" font-size:10pt;\">+7 (000) 000-00-02</span></p>"
                         "</body></html>");
    QCOMPARE(AboutDialog::aboutText("Конфигуратор", " зон контроля ZIR Фаргос", "1.3", "2026",
                 "АО «Тарнис»", "www.tarnis.example"),
        expected);

    // Under any other parent the box stays empty.
    QWidget other;
    AboutDialog orphan(&other);
    QVERIFY(orphan.findChild<QLabel *>("label")->text().isEmpty());
}

void TestMainWindow::aboutDialogFromWindow()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    QString text;
    QSize size;
    bool logo = false;
    prompts->answerDialog([&](QDialog *dialog) {
        text = dialog->findChild<QLabel *>("label")->text();
        logo = !dialog->findChild<QLabel *>("label_2")->pixmap(Qt::ReturnByValue).isNull();
        size = dialog->size();
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    window.findChild<QAction *>("actionAbout")->trigger();
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(prompts->calls().size(), 1);
    QCOMPARE(prompts->calls().first().title, QStringLiteral("О программе"));
    QCOMPARE(text,
        AboutDialog::aboutText("Конфигуратор", " зон контроля ZIR Фаргос", "1.3", "2026",
            "АО «Тарнис»", "www.tarnis.example"));
    QVERIFY(logo);
    QVERIFY(size.width() >= 411);
}

void TestMainWindow::manualOpensFileInWorkingDirectory()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    QFile manual(QDir(scratch.path()).absoluteFilePath("Порядок работы.pdf"));
    QVERIFY(manual.open(QIODevice::WriteOnly));
    manual.close();
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(scratch.path()));
    window.findChild<QAction *>("actionManual")->trigger();
    QDir::setCurrent(previous);
    manual.remove();
    QCOMPARE(prompts->openedUrls().size(), 1);
    const QUrl url = prompts->openedUrls().first();
    QVERIFY(url.isLocalFile());
    QCOMPARE(url.toLocalFile(), QDir(scratch.path()).absoluteFilePath("Порядок работы.pdf"));
    QVERIFY(prompts->calls().isEmpty());
}

void TestMainWindow::startsWithoutDisplay()
{
    const QString program
        = QCoreApplication::applicationDirPath() + QStringLiteral("/../../app/zor-position");
    if (!QFileInfo(program).isExecutable())
        QSKIP("zor-position is not built");
    QProcess process;
    QProcessEnvironment environment;
    environment.insert("PATH", qEnvironmentVariable("PATH"));
    environment.insert("HOME", scratch.path());
    process.setProcessEnvironment(environment);
    process.start(program, QStringList());
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY(process.exitCode() != 0);
    const QString error = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(error.count('\n'), 1);
    QVERIFY2(error.contains("no display"), qPrintable(error));
    QVERIFY2(error.contains("xvfb-run -a make run"), qPrintable(error));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
