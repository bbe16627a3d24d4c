#include "viewer/neighbourfile.h"

#include "model/loadmodel.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The end of the run of digits that starts at i.
qsizetype digitRunEnd(const QString& text, qsizetype i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

// Compares the digit runs a[i, iEnd) and b[j, jEnd) as numbers of any
// length: leading zeros left out, then the longer number is the larger,
// then digit by digit.
int compareNumbers(const QString& a, qsizetype i, qsizetype iEnd, const QString& b, qsizetype j, qsizetype jEnd)
{
    while (i < iEnd && a[i] == QLatin1Char('0'))
        ++i;
    while (j < jEnd && b[j] == QLatin1Char('0'))
        ++j;
    if (iEnd - i != jEnd - j)
        return iEnd - i < jEnd - j ? -1 : 1;
    for (; i < iEnd; ++i, ++j) {
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
    }
    return 0;
}

int compareNatural(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const qsizetype iEnd = digitRunEnd(a, i);
            const qsizetype jEnd = digitRunEnd(b, j);
            if (const int order = compareNumbers(a, i, iEnd, b, j, jEnd))
                return order;
            i = iEnd;
            j = jEnd;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

} // namespace

bool naturalNameLess(const QString& a, const QString& b)
{
    const int order = compareNatural(a, b);
    return order != 0 ? order < 0 : a < b;
}

QString neighbourModelFile(const QString& path, int step)
{
    const QFileInfo current(path);
    const QDir folder = current.absoluteDir();
    QStringList names;
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files, QDir::NoSort)) {
        if (readsExtension(entry.suffix().toUtf8().constData()))
            names.push_back(entry.fileName());
    }
    std::sort(names.begin(), names.end(), naturalNameLess);
    const QString name = current.fileName();
    if (step > 0) {
        const auto next = std::upper_bound(names.cbegin(), names.cend(), name, naturalNameLess);
        return next == names.cend() ? QString() : folder.absoluteFilePath(*next);
    }
    const auto first = std::lower_bound(names.cbegin(), names.cend(), name, naturalNameLess);
    return first == names.cbegin() ? QString() : folder.absoluteFilePath(*(first - 1));
}
