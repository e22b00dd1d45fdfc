// The modal folder picker "Set  Path" of the MP3 tool and the file renamer. A tree of "/", the
// home folder, the mounted volumes and "Network Neighborhood" (the mounted network shares);
// children are read when an item is first expanded. It opens expanded along the path given to
// SetPath and gives back the path of the chosen folder.
//
// Paths are the bytes of the names on disk, always ending in "/"; the tree shows each name
// decoded (DecodeRawName) and case-adjusted (NiceCase), and keeps the bytes with the item.
#pragma once

#include "FolderRoots.h"

#include <QByteArray>
#include <QDialog>
#include <QIcon>

#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class DGetPath : public QDialog {
    Q_OBJECT

public:
    // Control ids of dialog 210.
    enum { kIdTree = 1001, kIdPathLabel = 1016 };

    explicit DGetPath(QWidget* parent = nullptr);
    ~DGetPath() override;

    // The initial path, before the dialog runs.
    void SetPath(const QByteArray& path) { m_strPath = path; }
    // After the dialog has closed: the path of the item selected then (empty when none).
    QByteArray GetPath() const { return m_strPath; }

    // Replaces the top level the dialog would read from the system; for tests and demos, before
    // the dialog is shown.
    void SetRoots(std::vector<SFolderRoot> roots, std::vector<SFolderRoot> shares);

    // A text without lower-case ASCII letters in lower case with a capital first letter
    // (WORKGROUP -> Workgroup, MP3 -> Mp3); any other text unchanged.
    static QString NiceCase(const QString& text);

    // Builds the tree and expands it along the path; showing the dialog does it the first time.
    void InitDialog();

    // For tests.
    QTreeWidget* Tree() const { return m_tree; }
    QLabel* PathLabel() const { return m_label; }
    QPushButton* OkButton() const { return m_ok; }
    QTreeWidgetItem* NetworkRoot() const { return m_hNetworkRoot; }
    // The on-disk path of an item, ending in "/"; empty for "Network Neighborhood".
    static QByteArray GetItemPath(const QTreeWidgetItem* item);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTreeWidgetItem* InsertFolderItem(QTreeWidgetItem* parent, const QString& text, int image,
                                      int selectedImage, int kind, const QByteArray& path,
                                      const QString& shownPath);
    void OnItemExpanded(QTreeWidgetItem* item);
    void OnSelectionChanged();
    bool FillFolderChildren(QTreeWidgetItem* item);
    bool FillNetworkChildren(QTreeWidgetItem* item);
    void ExpandAlong(const QByteArray& path);
    QIcon Icon(int image, int selectedImage) const;

    QTreeWidget* m_tree = nullptr;
    QLabel* m_label = nullptr;
    QPushButton* m_ok = nullptr;
    QTreeWidgetItem* m_hNetworkRoot = nullptr;
    QByteArray m_strPath;
    QString m_labelTemplate;
    std::vector<QIcon> m_images;
    std::optional<std::vector<SFolderRoot>> m_roots;
    std::vector<SFolderRoot> m_shares;
    bool m_initialised = false;
};
