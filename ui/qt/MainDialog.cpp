#include "ui/qt/MainDialog.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "ui/ControlIds.h"
#include "ui/ImageChoice.h"
#include "ui/WindowPlacement.h"
#include "ui/qt/ClickLabel.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DropDownList.h"
#include "ui/qt/MainDialogView.h"

namespace ui::qt {

using namespace install;
using namespace report;
using namespace disk;
using namespace library;
using namespace platform;
using namespace store;

namespace {

// How long after the window shows the window manager has framed it.
constexpr int kFramedMs = 300;

// The local files a drop carries; what of them are images the core decides.
std::vector<std::string> droppedFiles(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return {};
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls())
        paths.push_back(url.isLocalFile() ? url.toLocalFile().toStdString() : std::string());
    return paths;
}

}  // namespace

MainDialog::MainDialog(const WindowServices& services, ProgressDialog& progressDialog,
                       WindowLog& log, QWidget* parent)
    : QDialog(parent),
      services_(services),
      progressDialog_(progressDialog),
      copyProgressDialog_(QStringLiteral("copy")) {
    // Only the boxes asked for: the window has a fixed size, no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/res/icon-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    buildDialog(this, mainTemplate());
    bindControls();
    setAcceptDrops(true);
    // The progress windows are this window's, so that they take input while
    // it runs modally, and stay in front of it.
    progressDialog_.setOwner(this);
    copyProgressDialog_.setOwner(this);
    view_ = std::make_unique<View>(*this, *services_.boxes);
    core_ = std::make_unique<MainWindowCore>(*view_, services_, log);
    connectControls();
    core_->init();
}

MainDialog::~MainDialog() {
    // The jobs end before the controls they report to.
    core_.reset();
    // The application owns the progress window and outlives this window.
    progressDialog_.setOwner(nullptr);
}

void MainDialog::bindControls() {
    statusLine = qobject_cast<ClickLabel*>(controlById(this, control::kStatusLine));
    gameList = qobject_cast<QTreeWidget*>(controlById(this, control::kGameList));
    formatButton = qobject_cast<QPushButton*>(controlById(this, control::kFormatButton));
    tabs = qobject_cast<QTabWidget*>(controlById(this, control::kTabs));
    mediaCombo = qobject_cast<DropDownList*>(controlById(this, control::kMediaCombo));
    driveCombo = qobject_cast<DropDownList*>(controlById(this, control::kDriveCombo));
    sourceCombo = qobject_cast<DropDownList*>(controlById(this, control::kSourceCombo));
    startButton = qobject_cast<QPushButton*>(controlById(this, control::kStartButton));
    nameEdit_ = qobject_cast<QLineEdit*>(controlById(this, control::kGameNameEdit));
    linkPlaceholder_ = qobject_cast<ClickLabel*>(controlById(this, control::kLinkPlaceholder));
    for (QLabel* label : findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    auto* formatText = qobject_cast<QLabel*>(controlById(this, control::kFormatText));
    formatText->setWordWrap(true);
    formatText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    statusLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* picture = qobject_cast<QLabel*>(controlById(this, control::kAboutPicture));
    QPixmap about(QStringLiteral(":/res/about.png"));
    if (!about.isNull())
        picture->setPixmap(
            about.scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void MainDialog::connectControls() {
    MainWindowCore* core = core_.get();
    connect(startButton, &QPushButton::clicked, this,
            [core] { core->onCommand(control::kStartButton); });
    connect(formatButton, &QPushButton::clicked, this,
            [core] { core->onCommand(control::kFormatButton); });
    // A confirmed choice, even of the drive already selected, lists its games again.
    connect(driveCombo, &QComboBox::activated, this,
            [core](int index) { core->onDriveChosen(index); });
    connect(sourceCombo, &QComboBox::activated, this,
            [core](int index) { core->onSourceChosen(index); });
    // The box's tooltip is its item's: an image's whole path.
    connect(sourceCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        sourceCombo->setToolTip(sourceCombo->itemData(index, Qt::ToolTipRole).toString());
    });
    connect(tabs, &QTabWidget::currentChanged, this,
            [core](int index) { core->onTabChanged(index); });
    connect(gameList, &QTreeWidget::itemClicked, this, [this, core](QTreeWidgetItem* item, int) {
        core->onGameClicked(gameList->indexOfTopLevelItem(item));
    });
    gameList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(gameList, &QWidget::customContextMenuRequested, this, &MainDialog::onListRightClick);
    gameList->installEventFilter(this);
    connect(linkPlaceholder_, &ClickLabel::clicked, this, [core] { core->openWebSite(); });
    connect(statusLine, &ClickLabel::clicked, this, [core] { core->onStatusLineClicked(); });
    driveCombo->beforePopup = [core] { core->onDrivePopup(); };
    sourceCombo->beforePopup = [core] { core->onSourcePopup(); };
    // "OK" after a success, and "Cancel" during a job, give the window back.
    connect(&progressDialog_, &ProgressDialog::cancelled, this,
            [core] { core->onProgressDismissed(); });
    // While a job's progress window shows, the status line says what it
    // says. Not the copy's: the window stays in use beside it, and the
    // status line tells of the drive shown.
    connect(&progressDialog_, &ProgressDialog::lineShown, statusLine, &QLabel::setText);
}

void MainDialog::onStart() {
    core_->onCommand(control::kStartButton);
}

void MainDialog::onListRightClick(const QPoint& position) {
    menuAt_ = gameList->viewport()->mapToGlobal(position);
    core_->onContextMenu(false);
}

void MainDialog::refreshGameList(const std::string& root) {
    core_->refreshGameList(root);
}

int MainDialog::runDialog(QDialog& dialog) {
    return services_.execDialog ? services_.execDialog(dialog) : dialog.exec();
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != gameList || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    // The keys a file manager gives its list: Delete asks to delete, F2 renames.
    if (key == Qt::Key_Delete && core_->onKey(WindowKey::Delete, control::kGameList))
        return true;
    if (key == Qt::Key_F2 && core_->onKey(WindowKey::F2, control::kGameList))
        return true;
    return QDialog::eventFilter(watched, event);
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedImages(droppedFiles(event->mimeData())).empty())
        event->acceptProposedAction();
}

void MainDialog::dropEvent(QDropEvent* event) {
    const std::vector<std::string> images = droppedImages(droppedFiles(event->mimeData()));
    if (images.empty())
        return;
    event->acceptProposedAction();
    core_->onImagesDropped(images);
}

void MainDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    // The window manager gives the frame its size a moment after the window shows.
    QTimer::singleShot(0, this, &MainDialog::keepOnScreen);
    QTimer::singleShot(kFramedMs, this, &MainDialog::keepOnScreen);
}

void MainDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && core_)
        core_->onActivated();
}

void MainDialog::keepOnScreen() {
    const QScreen* shown = screen();
    if (shown == nullptr || !isVisible())
        return;
    const QRect frame = frameGeometry();
    const QRect area = shown->availableGeometry();
    const ScreenRect placed = placeInside({frame.x(), frame.y(), frame.width(), frame.height()},
                                          {area.x(), area.y(), area.width(), area.height()});
    if (placed.x != frame.x() || placed.y != frame.y())
        move(placed.x, placed.y);
}

void MainDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    core_->OnClose();
}

}  // namespace ui::qt
