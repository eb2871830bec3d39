#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/pdfimportdialog.h"
#include "app/settingskeys.h"
#include "detectors/sensorgraphicsitem2.h"
#include "plan/pdfplan.h"
#include "scene/userprompts.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSettings>
#include <QTransform>

namespace {

// Qt 6's default allocation limit for one image: larger images are refused
// before they are decoded.
constexpr qint64 kMaxImageBytes = qint64(256) * 1024 * 1024;

const char *const kImageQuestion = "Изображение плана не выбрано. Выбрать?";
const char *const kScaleQuestion = "Масштаб не обозначен. Обозначить?";

} // namespace

void MainWindow::setupPlanElements()
{
    connect(&caliber, SIGNAL(editing(bool)), ui->caliberSetAction, SLOT(setChecked(bool)));
    connect(&caliber, SIGNAL(caliberVisibled(bool)), ui->caliberViewAction, SLOT(setChecked(bool)));
    connect(&caliber, SIGNAL(caliberSetted(double)), this, SLOT(on_caliberSetted(double)));
    connect(&plan, SIGNAL(pathVisibled(bool)), ui->planPathViewAction, SLOT(setChecked(bool)));
    connect(&plan, SIGNAL(editing(bool)), ui->planPathSetAction, SLOT(setChecked(bool)));

    ui->objectsList->setModel(&objectModel);
    connect(ui->objectsList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &MainWindow::on_object_selectionChange);
    for (DoubleSpinBoxChange *box : { ui->objectX, ui->objectY, ui->objectW, ui->objectH })
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &MainWindow::on_object_valueChanged);

    // Scroll bars that came and went would make the view recompute its scroll
    // ranges and undo a pan past the scene's edges.
    ui->graphicsView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui->graphicsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    for (QObject *element : { static_cast<QObject *>(&caliber), static_cast<QObject *>(&roulette),
             static_cast<QObject *>(&plan) }) {
        connect(element, SIGNAL(editing(bool)), this, SLOT(on_editing(bool)));
        connect(element, SIGNAL(nearPoint(QPointF &)), this, SLOT(on_nearPoint(QPointF &)));
    }
    ObjectGraphicsItem::initHandles();
}

bool MainWindow::hasPlanImage() const
{
    return document.hasPlanImage();
}

bool MainWindow::hasScale() const
{
    return document.hasScale();
}

bool MainWindow::requirePlanImage(const QString &title)
{
    if (hasPlanImage())
        return true;
    if (prompts()->question(
            this, title, QString::fromUtf8(kImageQuestion), QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes)
        on_planImageOpenAction_triggered();
    return false;
}

bool MainWindow::requirePlanImageAndScale(const QString &title)
{
    if (!requirePlanImage(title))
        return false;
    if (hasScale())
        return true;
    if (prompts()->question(
            this, title, QString::fromUtf8(kScaleQuestion), QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes)
        on_caliberSetAction_triggered();
    return false;
}

void MainWindow::updateDetectors()
{
    SensorGraphicsItem2::updateZones(sensors);
    footprintObstacle = nullptr;
}

void MainWindow::updateDetectorsAround(ObjectGraphicsItem *object)
{
    if (!object || object != footprintObstacle) {
        updateDetectors();
    } else {
        SensorGraphicsItem2::updateZonesNear(
            sensors, object, { lastFootprint, object->mapToScene(object->polygon()) });
    }
    footprintObstacle = object;
    lastFootprint = object ? object->mapToScene(object->polygon()) : QPolygonF();
}

QPixmap MainWindow::readPlanImage(const QString &path)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() * 4 > kMaxImageBytes) {
        prompts()->warning(this, QStringLiteral("Открыть"),
            QStringLiteral("Изображение %1 слишком велико (%2 × %3 точек), "
                           "оно не открыто.")
                .arg(shownPath)
                .arg(size.width())
                .arg(size.height()));
        return QPixmap();
    }
    const QImage image = reader.read();
    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        prompts()->warning(this, QStringLiteral("Открыть"),
            QStringLiteral("Не удалось прочитать изображение %1: %2.")
                .arg(shownPath, reader.errorString()));
        return QPixmap();
    }
    return QPixmap::fromImage(image);
}

QPixmap MainWindow::readPdfPlan(const QString &path, double *metresPerPixel)
{
    *metresPerPixel = 0;
    PdfPlan pdf;
    const PdfPlan::Error opened = pdf.open(path);
    if (opened != PdfPlan::NoError) {
        prompts()->warning(this, QStringLiteral("Открыть"), pdf.errorText(opened));
        return QPixmap();
    }
    PdfImportDialog dialog(pdf, this);
    if (prompts()->exec(&dialog) != QDialog::Accepted)
        return QPixmap();
    PdfPlan::Error error = PdfPlan::NoError;
    const QImage page = pdf.render(dialog.page(), dialog.dpi(), &error);
    if (page.isNull()) {
        prompts()->warning(
            this, QStringLiteral("Открыть"), pdf.errorText(error, dialog.page(), dialog.dpi()));
        return QPixmap();
    }
    if (dialog.drawingScale() > 0)
        *metresPerPixel = PdfPlan::metresPerPixel(
            dialog.drawingScale(), pdf.pageSize(dialog.page()), page.size());
    return QPixmap::fromImage(page);
}

void MainWindow::calibrateFromDrawingScale(double metresPerPixel)
{
    const PdfPlan::ScaleMark mark
        = PdfPlan::scaleMark(document.planPixmap().size(), metresPerPixel);
    if (!(mark.metres > 0))
        return;
    caliber.setMeasurement(planImage.mapToScene(mark.start), planImage.mapToScene(mark.end), 0);
    // Reported through caliberSetted like a calibration the user makes.
    caliber.applyScale(mark.metres);
}

void MainWindow::on_planImageOpenAction_triggered()
{
    stopEditing();
    const QString path = prompts()->getOpenFileName(this, QStringLiteral("Открыть"), dirOpen,
        QStringLiteral("Файлы изображения (*.bmp *.png *.jpg *.pdf)"));
    if (path.isEmpty())
        return;
    dirOpen = QFileInfo(path).absolutePath();
    settings->setValue(QString::fromUtf8(SettingsKeys::DirOpen), dirOpen);

    // An image that cannot be read leaves the plan as it was.
    double metresPerPixel = 0;
    const bool pdf
        = QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    const QPixmap image = pdf ? readPdfPlan(path, &metresPerPixel) : readPlanImage(path);
    if (image.isNull())
        return;
    if (!(planImage.scale() > 0))
        planImage.setScale(100.0 / qMax(image.width(), image.height()));
    // A drawing to scale over a plan already in metres is put in metres at once,
    // so that its calibration leaves the rest of the plan as it is.
    if (metresPerPixel > 0 && hasScale())
        planImage.setScale(metresPerPixel);
    const double scale = planImage.scale();
    const QPointF centre(image.width() / 2 * scale, image.height() / 2 * scale);
    setPlanImage(image, centre);
    if (metresPerPixel > 0)
        calibrateFromDrawingScale(metresPerPixel);
    updateSceneRect();
    ui->graphicsView->fitInView(scene.sceneRect(), Qt::KeepAspectRatio);
    noteChange();
}

void MainWindow::setPlanImage(const QPixmap &image, QPointF centre)
{
    document.setPlanImage(image, centre);
    setPlanImageVisible(!image.isNull());
}

void MainWindow::on_planImageViewAction_triggered(bool checked)
{
    if (!checked) {
        setPlanImageVisible(false);
        return;
    }
    requirePlanImage(QStringLiteral("Изображение плана"));
    setPlanImageVisible(hasPlanImage());
}

void MainWindow::on_caliberSetAction_triggered()
{
    stopEditing();
    if (hasPlanImage()) {
        caliber.startEdit();
        return;
    }
    requirePlanImage(QStringLiteral("Масштаб"));
    ui->caliberSetAction->setChecked(false);
}

void MainWindow::on_caliberViewAction_triggered(bool checked)
{
    bool show = false;
    if (checked && requirePlanImage(QStringLiteral("Масштаб"))) {
        show = hasScale();
        if (!show
            && prompts()->question(this, QStringLiteral("Масштаб"),
                   QString::fromUtf8(kScaleQuestion), QMessageBox::Yes | QMessageBox::No)
                == QMessageBox::Yes) {
            on_caliberSetAction_triggered();
            show = true;
        }
    }
    caliber.setCaliberVisible(show);
}

void MainWindow::on_caliberSetted(double k)
{
    if (k == 0)
        return;
    const double s = 1 / k;
    const QTransform scaling = QTransform::fromScale(s, s);
    planImage.setScale(planImage.scale() * s);
    planImage.setPos(planImage.pos() * s);
    plan.setPolygon(scaling.map(plan.polygon()));
    for (ObjectGraphicsItem *object : qAsConst(objects)) {
        const QRectF placed = scaling.mapRect(object->shapeRect().translated(object->pos()));
        object->setSize(placed.size());
        object->setPos(object->pos() * s);
        object->refreshGeometry();
    }
    // Detectors: each one's position along its surface, ray point and label scale
    // are multiplied by s, and it is placed on its surface again.
    rescaleDetectors(s);
    updateDetectors();
    noteChange();
}

void MainWindow::on_planPathClearAction_triggered()
{
    stopEditing();
    // Detectors standing on the outline: asked about and removed with it.
    if (!confirmDetectorRemoval(&plan, QStringLiteral("Очистка контура плана"),
            QStringLiteral("Вместе с контуром будут удалены извещатели. Вы действительно "
                           "хотите очистить контур?"))) {
        ui->planPathSetAction->setChecked(false);
        return;
    }
    plan.clearPath();
    deleteDetectorsOn(&plan);
    updateDetectors();
    noteChange();
}

void MainWindow::on_planPathSetAction_triggered()
{
    stopEditing();
    on_planPathClearAction_triggered();
    if (ui->planPathSetAction->isChecked()) {
        holdViewStill();
        plan.startEdit();
    }
}

void MainWindow::on_planPathViewAction_triggered(bool checked)
{
    const QString title = QStringLiteral("Контур плата");
    bool show = false;
    if (checked && requirePlanImage(title)) {
        show = plan.hasPath();
        if (!show
            && prompts()->question(this, title,
                   QStringLiteral("Контур плана не обозначен. Обозначить?"),
                   QMessageBox::Yes | QMessageBox::No)
                == QMessageBox::Yes) {
            ui->planPathSetAction->setChecked(true);
            on_planPathSetAction_triggered();
            show = true;
        }
    }
    plan.setPathVisible(show);
}

void MainWindow::on_actionRoulette_triggered(bool checked)
{
    stopEditing();
    if (checked && requirePlanImageAndScale(QStringLiteral("Масштаб"))) {
        ui->actionRoulette->setChecked(true);
        roulette.setRouletteVisible(true);
        roulette.startEdit();
        return;
    }
    ui->actionRoulette->setChecked(false);
    roulette.setRouletteVisible(false);
}
