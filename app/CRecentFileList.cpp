#include "CRecentFileList.h"

#include "CProfile.h"
#include "TextPaths.h"

#include <QDir>
#include <QFileInfo>

namespace {
const char kSection[] = "Recent File List";

QString Entry(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

// Two names for one file must not take two places in the list.
bool SameFile(const QString& a, const QString& b) {
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}
} // namespace

void CRecentFileList::ReadList() {
    m_names.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const QString name = PathFromProfile(GetProfileString(kSection, Entry(i)));
        if (!name.isEmpty())
            m_names << name;
    }
}

void CRecentFileList::WriteList() const {
    for (int i = 0; i < m_nSize; ++i) {
        if (i < m_names.size())
            WriteProfileString(kSection, Entry(i), PathToProfile(m_names[i]));
        else if (!GetProfileString(kSection, Entry(i)).isEmpty())
            WriteProfileString(kSection, Entry(i), QString()); // an old name must not come back
    }
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty())
        return;
    for (int i = 0; i < m_names.size(); ++i) {
        if (SameFile(m_names[i], path)) {
            m_names.removeAt(i);
            break;
        }
    }
    m_names.prepend(QFileInfo(path).absoluteFilePath());
    while (m_names.size() > m_nSize)
        m_names.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < m_names.size())
        m_names.removeAt(index);
}

QString CRecentFileList::MenuText(int index) const {
    constexpr int kMaxShown = 60;
    QString shown = QDir::toNativeSeparators(DisplayPath(m_names[index]));
    if (shown.size() > kMaxShown)
        shown = shown.left(kMaxShown / 3) + QStringLiteral("...") + shown.right(kMaxShown * 2 / 3);
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}
