#include "viewer/neighbourfile.h"

#include "model/loadmodel.h"

#include <QDir>
#include <QFileInfo>

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
    const QString name = current.fileName();
    // Whether a comes before b on the way the step goes.
    const auto before = [step](const QString& a, const QString& b) {
        return step > 0 ? naturalNameLess(a, b) : naturalNameLess(b, a);
    };
    // One pass for the nearest name beyond the open one: the folder need
    // not be sorted for one neighbour.
    QString best;
    for (const QString& entry : folder.entryList(QDir::Files, QDir::NoSort)) {
        if (!before(name, entry) || (!best.isEmpty() && !before(entry, best)))
            continue;
        const qsizetype dot = entry.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && readsExtension(entry.mid(dot + 1).toUtf8().constData()))
            best = entry;
    }
    return best.isEmpty() ? QString() : folder.absoluteFilePath(best);
}
