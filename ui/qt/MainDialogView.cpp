// The Qt main window as the window core's view.

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "ui/ControlIds.h"
#include "ui/qt/ClickLabel.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DriveSelectDialog.h"
#include "ui/qt/DropDownList.h"
#include "ui/qt/MainDialogView.h"
#include "ui/qt/RenameDialog.h"

namespace ui::qt {

using namespace report;
using namespace install;
using namespace disk;
using namespace library;
using namespace platform;
using namespace store;

namespace {

QColor colour(unsigned rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

MainDialog::View::View(MainDialog& window, BoxPresenter& presenter)
    : window_(window),
      status_(*window.statusLine),
      boxes_(window, presenter),
      jobProgress_(window.progressDialog_),
      copyProgress_(window.copyProgressDialog_) {}

void MainDialog::View::setTabs(const std::vector<std::string>& captions) {
    // The pages are the controls laid over the tab control; its own pages stay empty.
    const QSignalBlocker blocker(window_.tabs);
    for (const std::string& caption : captions)
        window_.tabs->addTab(new QWidget, QString::fromStdString(caption));
}

void MainDialog::View::setColumns(std::span<const ListColumn> columns) {
    QTreeWidget* list = window_.gameList;
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const ListColumn& column : columns)
        titles << QString::fromUtf8(column.title);
    list->setHeaderLabels(titles);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->header()->setStretchLastSection(false);
    for (std::size_t i = 0; i < columns.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), columns[i].width);
    // The first column gives way to the vertical scroll bar of a long list, so
    // that no horizontal one comes with it.
    if (!columns.empty())
        list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
}

void MainDialog::View::setMediaTypes(const std::vector<std::string>& items) {
    const QSignalBlocker blocker(window_.mediaCombo);
    window_.mediaCombo->clear();
    for (const std::string& item : items)
        window_.mediaCombo->addItem(QString::fromStdString(item));
}

void MainDialog::View::setLink(const LinkLook& look, const std::string& url) {
    HyperlinkLabelParams& params = window_.linkParams;
    params = HyperlinkLabelParams{};
    params.parent = window_.linkPlaceholder_;
    params.width = look.width;
    params.height = look.height;
    params.faceName = QString::fromUtf8(look.face);
    params.fontHeight = look.fontHeight;
    params.bold = look.bold;
    params.underline = look.underline;
    params.normalColour = colour(look.normalColour);
    params.hoverColour = colour(look.hoverColour);
    params.backgroundColour = QColor(0, 0, 0);
    params.fillBackground = false;
    params.useCursor = true;
    QPixmap hand(QStringLiteral(":/res/cursor-hand.png"));
    params.cursor = hand.isNull() ? QCursor(Qt::PointingHandCursor)
                                  : QCursor(hand, look.cursorHotX, look.cursorHotY);
    params.onClick = [core = window_.core_.get()](int) { core->openWebSite(); };
    params.text = QString::fromStdString(url);
    window_.link.create(params);
    if (auto* label = qobject_cast<QLabel*>(controlById(&window_, control::kWebSiteLabel)))
        alignToLinkBaseline(*label, window_.link);
}

void MainDialog::View::setSources(const std::vector<SourceRow>& rows, int selected) {
    QComboBox* box = window_.sourceCombo;
    const QSignalBlocker blocker(box);
    box->clear();
    for (const SourceRow& row : rows) {
        box->addItem(QString::fromStdString(row.text), QString::fromStdString(row.item));
        box->setItemData(box->count() - 1, QString::fromStdString(row.tooltip), Qt::ToolTipRole);
    }
    box->setCurrentIndex(selected);
    box->setToolTip(box->itemData(selected, Qt::ToolTipRole).toString());
}

void MainDialog::View::setDrives(const std::vector<DriveRow>& rows, int selected) {
    DropDownList* box = window_.driveCombo;
    const QSignalBlocker blocker(box);
    box->clear();
    for (const DriveRow& row : rows) {
        box->addItem(QString::fromStdString(row.text));
        box->setItemData(box->count() - 1, QString::fromStdString(row.tooltip), Qt::ToolTipRole);
    }
    box->setCurrentIndex(selected);
}

void MainDialog::View::setMedia(int index) {
    window_.mediaCombo->setCurrentIndex(index);
}

void MainDialog::View::setGames(const std::vector<ListedGame>& rows) {
    // The rows go to the view at once, so that a long table fills quickly.
    QTreeWidget* list = window_.gameList;
    list->setUpdatesEnabled(false);
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const ListedGame& row : rows) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::fromStdString(row.text));
        item->setText(1, QString::fromStdString(row.size));
        if (row.flawed)
            item->setForeground(0, QColor(Qt::red));
        if (!row.tooltip.empty())
            item->setToolTip(0, QString::fromStdString(row.tooltip));
        items.append(item);
    }
    list->addTopLevelItems(items);
    list->setUpdatesEnabled(true);
}

void MainDialog::View::setGameTooltip(int row, const std::string& tooltip) {
    if (QTreeWidgetItem* item = window_.gameList->topLevelItem(row))
        item->setToolTip(0, QString::fromStdString(tooltip));
}

void MainDialog::View::setControlText(int id, const std::string& text) {
    QWidget* control = controlById(&window_, id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(QString::fromStdString(text));
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(QString::fromStdString(text));
}

void MainDialog::View::showControl(int id, bool show) {
    if (QWidget* control = controlById(&window_, id))
        control->setVisible(show);
}

void MainDialog::View::enableControl(int id, bool enable) {
    if (QWidget* control = controlById(&window_, id))
        control->setEnabled(enable);
}

void MainDialog::View::enableInput(bool enable) {
    window_.setEnabled(enable);
    if (enable)
        return;
    // Disabling a widget disables its child windows too; those are the
    // program's other windows and keep their input.
    for (QWidget* child : window_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            child->setEnabled(true);
    }
}

void MainDialog::View::bringToFront() {
    if (window_.isVisible()) {
        window_.raise();
        window_.activateWindow();
    }
}

WindowInput MainDialog::View::input() const {
    WindowInput input;
    input.source = window_.sourceCombo->currentIndex();
    input.drive = window_.driveCombo->currentIndex();
    input.media = window_.mediaCombo->currentIndex();
    input.gameName = window_.nameEdit_->text().toStdString();
    const QList<QTreeWidgetItem*> selected = window_.gameList->selectedItems();
    if (!selected.isEmpty())
        input.selectedGame = window_.gameList->indexOfTopLevelItem(selected.front());
    return input;
}

std::string MainDialog::View::chooseDrive(const std::vector<DriveRow>& rows) {
    DriveSelectDialog dialog(rows, &window_);
    return window_.runDialog(dialog) == QDialog::Accepted ? dialog.selectedDrive : std::string();
}

std::optional<std::string> MainDialog::View::askNewName() {
    RenameDialog dialog(&window_);
    if (window_.runDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.newName;
}

int MainDialog::View::popUpMenu(std::span<const MenuRow> rows, bool atSelection) {
    QMenu menu(&window_);
    for (const MenuRow& row : rows) {
        if (row.command == 0)
            menu.addSeparator();
        else
            menu.addAction(QString::fromUtf8(row.text))->setData(row.command);
    }
    QPoint at = window_.menuAt_;
    QTreeWidget* list = window_.gameList;
    if (atSelection && list->currentItem() != nullptr)
        at = list->viewport()->mapToGlobal(list->visualItemRect(list->currentItem()).center());
    const auto& exec = window_.services_.execMenu;
    QAction* chosen = exec ? exec(menu, at) : menu.exec(at);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

std::vector<std::string> MainDialog::View::chooseFiles(const FileDialogLook& dialog) {
    std::vector<std::string> files;
    if (const auto& choose = window_.services_.chooseFiles) {
        for (const QString& file : choose(&window_, dialog))
            files.push_back(file.toStdString());
    }
    return files;
}

bool MainDialog::View::openUrl(const std::string& url) {
    const auto& open = window_.services_.openUrl;
    return !open || open(QString::fromStdString(url));
}

void MainDialog::View::after(int milliseconds, std::function<void()> task) {
    QTimer::singleShot(milliseconds, &window_, std::move(task));
}

void MainDialog::View::closeWindow() {
    window_.done(QDialog::Rejected);
}

}  // namespace ui::qt
