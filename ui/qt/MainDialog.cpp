#include "ui/qt/MainDialog.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>

#include "store/DriveRoot.h"
#include "ui/qt/ClickLabel.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/DriveList.h"
#include "ui/DriveOrder.h"
#include "ui/qt/DropDownList.h"
#include "ui/qt/MainDialogFrontage.h"

const char* const MainDialog::kFormatText =
    "The USB hard drive need to do Initialise and create a NTFS partition with maximum size in "
    "the WindowsXP Disk Management first!\n\nThe USB hard drive is locked while formatting so "
    "make sure no files are open or window explorer isn't exploring the device!\n\nWARNING, ALL "
    "DATA ON USB HARD DRIVE WILL BE LOST!\n";

namespace {

constexpr int kImageFileRole = Qt::UserRole + 1;  // the "Image file..." item

const QString kImageFileItem = QStringLiteral("Image file...");

// The file a drop carries when it is one local file; empty otherwise.
QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile())
        return {};
    return url.toLocalFile();
}

}  // namespace

MainDialog::MainDialog(const WindowServices& services, ProgressDialog& progressDialog,
                       WindowLog& log, QWidget* parent)
    : QDialog(parent),
      services_(services),
      progressDialog_(progressDialog),
      copyProgress_(QStringLiteral("copy")),
      log_(log),
      installJob_(windowThread_),
      formatJob_(windowThread_),
      copyJob_(windowThread_) {
    // Only the boxes asked for: the window has a fixed size, no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    icon = QIcon();
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/res/icon-%1.png").arg(size), QSize(size, size));
    buildDialog(this, mainTemplate());
    bindControls();
    setAcceptDrops(true);
    // The progress windows are this window's, so that they take input while
    // it runs modally, and stay in front of it.
    progressDialog_.setOwner(this);
    copyProgress_.setOwner(this);
    frontage_ = std::make_unique<Frontage>(*this, *services_.boxes, progressDialog_, log_);
    // A successful job leaves the window disabled until its progress window's
    // "OK"; that button, and "Cancel" during a job, give the window back.
    connect(&progressDialog_, &ProgressDialog::cancelled, this, &MainDialog::giveWindowBack);
    OnInitDialog();
}

MainDialog::~MainDialog() {
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
    formatText_ = qobject_cast<QLabel*>(controlById(this, control::kFormatText));
    linkPlaceholder_ = qobject_cast<ClickLabel*>(controlById(this, control::kLinkPlaceholder));
    for (QLabel* label : findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    formatText_->setWordWrap(true);
    formatText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    statusLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(startButton, &QPushButton::clicked, this, &MainDialog::onStart);
    connect(formatButton, &QPushButton::clicked, this, &MainDialog::onFormat);
    // A confirmed choice, even of the drive already selected, lists its games again.
    connect(driveCombo, &QComboBox::activated, this, [this](int) { onDriveChanged(); });
    connect(sourceCombo, &QComboBox::activated, this, &MainDialog::onSourceActivated);
    connect(tabs, &QTabWidget::currentChanged, this, &MainDialog::onTabChanged);
    connect(gameList, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { onGameClicked(item); });
    gameList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(gameList, &QWidget::customContextMenuRequested, this, &MainDialog::onListRightClick);
    // The keys a file manager gives its list: Delete asks to delete, F2 renames.
    gameList->installEventFilter(this);
    connect(linkPlaceholder_, &ClickLabel::clicked, this, &MainDialog::openWebSite);
    connect(statusLine, &ClickLabel::clicked, this, &MainDialog::onStatusLineClicked);
    driveCombo->beforePopup = [this] { fillDriveCombo(); };
    sourceCombo->beforePopup = [this] { fillSourceCombo(); };
}

bool MainDialog::OnInitDialog() {
    nameEdit_->setText(QString::fromStdString(gameName));
    setWindowIcon(icon);

    // The pages are the controls laid over the tab control; its own pages stay empty.
    {
        const QSignalBlocker blocker(tabs);
        tabs->addTab(new QWidget, QStringLiteral("Games Installer"));
        tabs->addTab(new QWidget, QStringLiteral("Disk Format"));
        tabs->addTab(new QWidget, QStringLiteral("About"));
    }

    fillSourceCombo();
    fillDriveCombo();
    mediaCombo->addItem(QStringLiteral("CD"));
    mediaCombo->addItem(QStringLiteral("DVD"));
    mediaCombo->setCurrentIndex(0);
    sourceCombo->setCurrentIndex(0);
    lastSource_ = 0;
    // A drive this user may not use (a folder of another user's) is listed,
    // but the window opens on one it can read.
    driveCombo->setCurrentIndex(
        driveToOpenOn(drivesInOfferOrder(services_.drives->fixedDrives())));
    targetRoot = selectedDriveRoot();

    gameList->setColumnCount(2);
    gameList->setHeaderLabels({QStringLiteral("Game Name"), QStringLiteral("Size (KB)")});
    gameList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    gameList->header()->setStretchLastSection(false);
    gameList->setColumnWidth(0, 320);
    gameList->setColumnWidth(1, 80);
    // The name column gives way to the vertical scroll bar of a long list, so
    // that no horizontal one comes with it.
    gameList->header()->setSectionResizeMode(0, QHeaderView::Stretch);

    onDriveChanged();

    auto* picture = qobject_cast<QLabel*>(controlById(this, control::kAboutPicture));
    QPixmap about(QStringLiteral(":/res/about.png"));
    if (!about.isNull())
        picture->setPixmap(
            about.scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    linkParams = HyperlinkLabelParams{};
    linkParams.parent = linkPlaceholder_;
    linkParams.controlId = 0;
    linkParams.x = 0;
    linkParams.y = 0;
    linkParams.width = 150;
    linkParams.height = 20;
    linkParams.faceName = QStringLiteral("Times New Roman");
    linkParams.fontHeight = 15;
    linkParams.bold = false;
    linkParams.underline = true;
    linkParams.normalColour = QColor(0, 0, 255);
    linkParams.hoverColour = QColor(255, 0, 0);
    linkParams.backgroundColour = QColor(0, 0, 0);
    linkParams.fillBackground = false;
    linkParams.useCursor = true;
    QPixmap hand(QStringLiteral(":/res/cursor-hand.png"));
    linkParams.cursor = hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(hand, 12, 4);
    linkParams.onClick = [this](int) { openWebSite(); };
    linkParams.text = services_.websiteUrl;
    link.create(linkParams);
    alignToLinkBaseline(*qobject_cast<QLabel*>(controlById(this, control::kWebSiteLabel)), link);
    return true;
}

void MainDialog::fillSourceCombo() {
    const QString selected = sourceCombo->currentData().toString();
    const bool imageItemSelected = sourceCombo->currentData(kImageFileRole).toBool();
    QStringList sources;
    for (const std::string& device : services_.drives->opticalDrives())
        sources << QString::fromStdString(device);
    sources << imageFiles_;
    sources.removeDuplicates();
    std::sort(sources.begin(), sources.end());

    const QSignalBlocker blocker(sourceCombo);
    sourceCombo->clear();
    for (const QString& source : sources)
        sourceCombo->addItem(source, source);
    sourceCombo->addItem(kImageFileItem);
    sourceCombo->setItemData(sourceCombo->count() - 1, true, kImageFileRole);
    int index = imageItemSelected ? -1 : sourceCombo->findData(selected);
    sourceCombo->setCurrentIndex(index >= 0 ? index : 0);
    lastSource_ = sourceCombo->currentIndex();
}

void MainDialog::onSourceActivated(int index) {
    if (!sourceCombo->itemData(index, kImageFileRole).toBool()) {
        lastSource_ = index;
        // An image chosen again from the box sets the media as when it was picked.
        const QString source = sourceCombo->itemData(index).toString();
        if (imageFiles_.contains(source))
            setMediaForImage(source);
        return;
    }
    const QString file =
        services_.chooseImageFile ? services_.chooseImageFile(this, imageFolder_) : QString();
    if (file.isEmpty()) {
        sourceCombo->setCurrentIndex(std::min(lastSource_, sourceCombo->count() - 1));
        return;
    }
    pickImage(file);
}

void MainDialog::pickImage(const QString& file) {
    if (!imageFiles_.contains(file))
        imageFiles_ << file;
    imageFolder_ = QString::fromStdString(folderOfImage(file.toStdString()));
    {
        const QSignalBlocker blocker(sourceCombo);
        fillSourceCombo();
        sourceCombo->setCurrentIndex(sourceCombo->findData(file));
        lastSource_ = sourceCombo->currentIndex();
    }
    setMediaForImage(file);
    const std::string current = nameEdit_->text().toStdString();
    const std::string name = gameNameForImage(current, filledGameName_, file.toStdString());
    if (name != current) {
        nameEdit_->setText(QString::fromStdString(name));
        filledGameName_ = name;
    }
}

void MainDialog::setMediaForImage(const QString& file) {
    if (imageNeedsDvd(static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(file).size(), 0))))
        mediaCombo->setCurrentIndex(1);  // "DVD"
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != gameList || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete)
        onDeleteGame();
    else if (key == Qt::Key_F2)
        onRenameGame();
    else
        return QDialog::eventFilter(watched, event);
    return true;
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainDialog::dropEvent(QDropEvent* event) {
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    pickImage(file);
}

void MainDialog::fillDriveCombo() {
    const QString selected = driveCombo->currentText();
    const QSignalBlocker blocker(driveCombo);
    driveCombo->clear();
    for (const FixedDrive& drive : drivesInOfferOrder(services_.drives->fixedDrives()))
        driveCombo->addItem(QString::fromStdString(drive.mountPoint),
                            QString::fromStdString(drive.device));
    const int index = driveCombo->findText(selected);
    driveCombo->setCurrentIndex(index >= 0 ? index : (driveCombo->count() > 0 ? 0 : -1));
}

void MainDialog::showDrivesAfterFormat(const std::string& mountPoint) {
    // A formatted drive may come back at another mount point: select it there.
    fillDriveCombo();
    if (const int index = driveCombo->findText(QString::fromStdString(mountPoint));
        !mountPoint.empty() && index >= 0)
        driveCombo->setCurrentIndex(index);
    onDriveChanged();
}

std::string MainDialog::selectedDriveRoot() const {
    if (driveCombo->currentIndex() < 0)
        return {};
    return normalizeRoot(driveCombo->currentText().toStdString());
}

std::string MainDialog::installSource() const {
    return sourceCombo->currentData().toString().toStdString();
}

void MainDialog::takeControlValues() {
    gameName = nameEdit_->text().toStdString();
}

void MainDialog::onDriveChanged() {
    targetRoot = selectedDriveRoot();
    refreshGameList(targetRoot);
}

void MainDialog::onTabChanged(int index) {
    showInstallerPage(index == 0 || index > 2 || index < 0);
    showFormatPage(index == 1);
    showAboutPage(index == 2);
    if (index == 0) {
        takeControlValues();
        targetRoot = selectedDriveRoot();
        refreshGameList(targetRoot);
    }
}

void MainDialog::showInstallerPage(bool show) {
    for (QWidget* control : {static_cast<QWidget*>(mediaCombo), static_cast<QWidget*>(driveCombo),
                             static_cast<QWidget*>(sourceCombo), static_cast<QWidget*>(gameList),
                             static_cast<QWidget*>(startButton), static_cast<QWidget*>(statusLine)})
        control->setVisible(show);
    for (int id : {control::kGameNameEdit, control::kSourceLabel, control::kMediaLabel,
                   control::kDriveLabel, control::kGameNameLabel, control::kGameListLabel})
        controlById(this, id)->setVisible(show);
    statusLine->setVisible(show);
}

void MainDialog::showFormatPage(bool show) {
    formatText_->setVisible(show);
    formatText_->setText(QString::fromUtf8(kFormatText));
    formatButton->setVisible(show);
}

void MainDialog::showAboutPage(bool show) {
    controlById(this, control::kAboutPicture)->setVisible(show);
    linkPlaceholder_->setVisible(show);
    controlById(this, control::kWebSiteLabel)->setVisible(show);
}

void MainDialog::enableWindow(bool enable) {
    setEnabled(enable);
    if (enable)
        return;
    // Disabling a widget disables its child windows too.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            child->setEnabled(true);
    }
}

void MainDialog::giveWindowBack() {
    enableWindow(true);
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

bool MainDialog::jobRunning() const {
    return installJob_.running() || formatJob_.running() || copyJob_.running();
}

void MainDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    FrontEnd frontEnd = windowFrontEnd();
    switch (answerClose(jobState(), closing_, frontEnd.boxes, frontEnd.status)) {
        case CloseAnswer::CloseNow:
            done(QDialog::Rejected);
            return;
        case CloseAnswer::KeepOpen:
            return;
        case CloseAnswer::CloseWhenJobsEnd:
            break;
    }
    // The install and the copy stop at their next step and remove what they
    // wrote; a format cannot stop half-way and is waited for.
    closing_ = true;
    progressDialog_.closing.store(true);
    copyProgress_.closing.store(true);
    closeWhenIdle();
}

void MainDialog::closeWhenIdle() {
    if (closing_ && !jobRunning()) {
        progressDialog_.hide();
        copyProgress_.hide();
        done(QDialog::Rejected);
    }
}

FrontEnd MainDialog::windowFrontEnd() {
    return frontage_->frontEnd();
}
