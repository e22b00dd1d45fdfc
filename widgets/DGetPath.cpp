#include "DGetPath.h"

#include "CResourceModule.h"
#include "ImageStrip.h"
#include "RawNames.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum EItemRole : int {
    kPathRole = Qt::UserRole, // QByteArray: the path on disk, ending in "/"
    kNameRole,                // QByteArray: the name on disk (the whole path for a top-level item)
    kShownPathRole,           // QString: the path as the label shows it
    kKindRole,                // EItemKind
    kFilledRole               // bool: children have been looked for
};

enum EItemKind : int { kKindFolder, kKindVolume, kKindNetworkRoot, kKindShare };

int DriveImage(EDriveKind kind) {
    switch (kind) {
    case EDriveKind::Removable:
        return kImgRemovable;
    case EDriveKind::Remote:
        return kImgRemote;
    case EDriveKind::Optical:
        return kImgOptical;
    case EDriveKind::RamDisk:
        return kImgRamDisk;
    case EDriveKind::Fixed:
        break;
    }
    return kImgFixed;
}

std::vector<QByteArray> Components(const QByteArray& path) {
    std::vector<QByteArray> parts;
    for (const QByteArray& part : path.split('/')) {
        if (!part.isEmpty())
            parts.push_back(part);
    }
    return parts;
}

QByteArray LastComponent(const QByteArray& path) {
    const std::vector<QByteArray> parts = Components(path);
    return parts.empty() ? path : parts.back();
}

// A path as the label shows it: each name decoded the way the tree shows it.
QString ShownPath(const QByteArray& path) {
    QString shown = QStringLiteral("/");
    for (const QByteArray& part : Components(path))
        shown += ShownName(DecodeRawName(part)) + u'/';
    return shown;
}

bool SameIgnoringCase(const QByteArray& a, const QByteArray& b) {
    return a == b || DecodeRawName(a).compare(DecodeRawName(b), Qt::CaseInsensitive) == 0;
}

// The child holding the name: the exact name first (a case-sensitive file system may hold
// "Music" and "music" side by side), else the first one that differs only in case.
QTreeWidgetItem* ChildNamed(QTreeWidgetItem* parent, const QByteArray& name) {
    QTreeWidgetItem* caseless = nullptr;
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* child = parent->child(i);
        const QByteArray childName = child->data(0, kNameRole).toByteArray();
        if (childName == name)
            return child;
        if (!caseless && SameIgnoringCase(childName, name))
            caseless = child;
    }
    return caseless;
}

// A modal dialog's size in the units its layout was drawn in: a quarter of the average
// character width across, an eighth of the font height down.
QSize DialogUnits(const QWidget* dialog, int width, int height) {
    const QFontMetrics metrics = dialog->fontMetrics();
    const int baseX =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
        52;
    return {width * std::max(baseX, 1) / 4, height * metrics.height() / 8};
}

class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace

DGetPath::DGetPath(QWidget* parent) : QDialog(parent) {
    const CResourceModule& resources = CurrentResources();
    const SDialogTexts texts = resources.Dialog(kDlgGetPath);
    setWindowTitle(texts.title);
    m_images = FolderImageIcons();

    m_labelTemplate = texts.Control(kIdPathLabel);
    m_label = new QLabel(m_labelTemplate, this);
    m_label->setTextFormat(Qt::PlainText);
    // A long path must not widen the dialog; it is cut off at the right instead.
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setIconSize(QSize(kStripImageWidth, 16));
    m_tree->setUniformRowHeights(true);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(true);
    // The chosen folder stays marked while the focus is on the buttons.
    QPalette colours = m_tree->palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    m_tree->setPalette(colours);

    m_ok = new QPushButton(texts.Control(1), this);
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    auto* cancel = new QPushButton(texts.Control(2), this);
    const QSize buttonSize = DialogUnits(this, 57, 14);
    m_ok->setMinimumSize(buttonSize);
    cancel->setMinimumSize(buttonSize);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    const QSize margin = DialogUnits(this, 8, 7);
    layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
    layout->setSpacing(DialogUnits(this, 0, 2).height());
    layout->addWidget(m_label);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);
    resize(DialogUnits(this, 207, 190));

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::itemExpanded, this, &DGetPath::OnItemExpanded);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &DGetPath::OnSelectionChanged);
}

DGetPath::~DGetPath() = default;

void DGetPath::SetRoots(std::vector<SFolderRoot> roots, std::vector<SFolderRoot> shares) {
    m_roots = std::move(roots);
    m_shares = std::move(shares);
}

QString DGetPath::NiceCase(const QString& text) {
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c >= u'a' && c <= u'z'; }))
        return text;
    QString nice = text.toLower();
    if (nice.isEmpty())
        return nice;
    const qsizetype firstLength = nice.at(0).isHighSurrogate() && nice.size() > 1 ? 2 : 1;
    return nice.left(firstLength).toUpper() + nice.mid(firstLength);
}

QByteArray DGetPath::GetItemPath(const QTreeWidgetItem* item) {
    return item ? item->data(0, kPathRole).toByteArray() : QByteArray();
}

QIcon DGetPath::Icon(int image, int selectedImage) const {
    const auto count = static_cast<int>(m_images.size());
    if (image < 0 || image >= count)
        return {};
    if (selectedImage < 0 || selectedImage >= count || selectedImage == image)
        return m_images[static_cast<std::size_t>(image)];
    // The closed folder turns into the open one while it is selected.
    QIcon icon;
    const auto size = QSize(kStripImageWidth, 16);
    icon.addPixmap(m_images[static_cast<std::size_t>(image)].pixmap(size), QIcon::Normal);
    icon.addPixmap(m_images[static_cast<std::size_t>(selectedImage)].pixmap(size), QIcon::Selected);
    return icon;
}

QTreeWidgetItem* DGetPath::InsertFolderItem(QTreeWidgetItem* parent, const QString& text, int image,
                                            int selectedImage, int kind, const QByteArray& path,
                                            const QString& shownPath) {
    auto* item = new QTreeWidgetItem;
    const QString shown = NiceCase(text);
    item->setText(0, shown);
    item->setToolTip(0, shown);
    item->setIcon(0, Icon(image, selectedImage));
    item->setData(0, kPathRole, path);
    item->setData(0, kNameRole, parent ? LastComponent(path) : path);
    item->setData(0, kShownPathRole, shownPath);
    item->setData(0, kKindRole, kind);
    item->setData(0, kFilledRole, false);
    // Every item offers to expand until its children have been looked for.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if (parent)
        parent->addChild(item);
    else
        m_tree->addTopLevelItem(item);
    return item;
}

void DGetPath::showEvent(QShowEvent* event) {
    if (!m_initialised)
        InitDialog();
    QDialog::showEvent(event);
}

void DGetPath::InitDialog() {
    if (m_initialised)
        return;
    m_initialised = true;
    if (!m_roots) {
        m_roots = ListFolderRoots();
        m_shares = ListNetworkShares();
    }
    for (const SFolderRoot& root : *m_roots) {
        InsertFolderItem(nullptr, root.text, DriveImage(root.kind), -1, kKindVolume, root.path,
                         ShownPath(root.path));
    }
    m_hNetworkRoot = InsertFolderItem(nullptr, CurrentResources().String(kStrNetworkRoot), kImgNetwork, -1,
                                      kKindNetworkRoot, {}, {});
    ExpandAlong(m_strPath);
}

void DGetPath::ExpandAlong(const QByteArray& path) {
    if (!path.startsWith('/'))
        return;
    const std::vector<QByteArray> parts = Components(path);
    // The top-level item that holds the longest leading part of the path: /home/me/Music opens
    // under the home folder, not under "/" and then "home".
    QTreeWidgetItem* parent = nullptr;
    std::size_t used = 0;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = m_tree->topLevelItem(i);
        if (root == m_hNetworkRoot)
            continue;
        const std::vector<QByteArray> rootParts = Components(GetItemPath(root));
        if (rootParts.size() > parts.size() || (parent && rootParts.size() <= used))
            continue;
        if (std::equal(rootParts.begin(), rootParts.end(), parts.begin(), SameIgnoringCase)) {
            parent = root;
            used = rootParts.size();
        }
    }
    if (!parent)
        return;
    parent->setExpanded(true);
    // A part that names no folder is passed over and the next one looked for at the same place.
    for (std::size_t k = used; k < parts.size(); ++k) {
        if (QTreeWidgetItem* child = ChildNamed(parent, parts[k])) {
            child->setExpanded(true);
            parent = child;
        }
    }
    m_tree->scrollToItem(parent, QAbstractItemView::PositionAtCenter);
}

void DGetPath::OnItemExpanded(QTreeWidgetItem* item) {
    if (item->data(0, kFilledRole).toBool())
        return;
    const CWaitCursor wait;
    item->setData(0, kFilledRole, true);
    const bool added = item == m_hNetworkRoot ? FillNetworkChildren(item) : FillFolderChildren(item);
    // Nothing inside: the expand button goes, without a message, also when the folder could not
    // be read.
    if (!added)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    if (m_tree->currentItem() != item || !item->isSelected())
        m_tree->setCurrentItem(item);
}

bool DGetPath::FillFolderChildren(QTreeWidgetItem* item) {
    const QByteArray path = GetItemPath(item);
    std::vector<SRawEntry> entries;
    if (path.isEmpty() || !ReadFolderRaw(path, entries))
        return false;
    struct SChild {
        QByteArray name;
        QString text;
    };
    std::vector<SChild> folders;
    for (SRawEntry& entry : entries) {
        if (entry.isFolder) {
            QString text = ShownName(DecodeRawName(entry.name));
            folders.push_back({std::move(entry.name), std::move(text)});
        }
    }
    // The file system gives its names in no useful order.
    std::sort(folders.begin(), folders.end(), [](const SChild& a, const SChild& b) {
        const int order = a.text.compare(b.text, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    const QString shownPath = item->data(0, kShownPathRole).toString();
    for (const SChild& folder : folders) {
        InsertFolderItem(item, folder.text, kImgClosedFolder, kImgOpenFolder, kKindFolder,
                         path + folder.name + '/', shownPath + folder.text + u'/');
    }
    return !folders.empty();
}

bool DGetPath::FillNetworkChildren(QTreeWidgetItem* item) {
    for (const SFolderRoot& share : m_shares) {
        InsertFolderItem(item, share.text, kImgClosedFolder, kImgOpenFolder, kKindShare, share.path,
                         ShownPath(share.path));
    }
    return !m_shares.empty();
}

void DGetPath::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    const QTreeWidgetItem* item = selected.isEmpty() ? nullptr : selected.first();
    // "Network Neighborhood" leads to the shares but is no folder of its own.
    const bool folder = item && item != m_hNetworkRoot;
    m_ok->setEnabled(folder);
    m_label->setText(folder ? item->data(0, kShownPathRole).toString() : QString());
    m_label->setToolTip(m_label->text());
}

void DGetPath::done(int result) {
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    m_strPath = selected.isEmpty() ? QByteArray() : GetItemPath(selected.first());
    QDialog::done(result);
}
