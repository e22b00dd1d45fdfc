// The recent-file list of the File menu: the last files opened or saved, newest first, kept in
// section "Recent File List" as "File1" to "File4".
#pragma once

#include <QString>
#include <QStringList>

class CRecentFileList {
public:
    explicit CRecentFileList(int size) : m_nSize(size) {}

    void ReadList();
    void WriteList() const;

    // Puts the file at the top; a file already listed moves there.
    void Add(const QString& path);
    void Remove(int index);

    int GetSize() const { return static_cast<int>(m_names.size()); }
    const QString& operator[](int index) const { return m_names[index]; }
    // The menu text: "&1 " and the path, long paths shortened in the middle.
    QString MenuText(int index) const;

private:
    int m_nSize;
    QStringList m_names;
};
