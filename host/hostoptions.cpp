#include "hostoptions.h"

namespace zeva::host {

bool HostOptions::setParameter(const QString &assignment, QString *error)
{
    const qsizetype eq = assignment.indexOf(u'=');
    const QString name = assignment.left(eq).trimmed();
    if (eq < 0 || name.isEmpty()) {
        if (error)
            *error = QStringLiteral("A parameter is NAME=VALUE or NUMBER=VALUE, not \"%1\".").arg(assignment);
        return false;
    }
    const QString value = assignment.mid(eq + 1);
    bool numbered = false;
    const int number = name.toInt(&numbered);
    if (!numbered)
        namedParameters.insert(name.toLower(), value);
    else if (number == 16)
        codeRule = value;
    else if (number == 4)
        currency = value;
    else
        numberedParameters.insert(number, value);
    return true;
}

bool HostOptions::setRights(const QString &letters, QString *error)
{
    OperationRights granted;
    if (letters.compare(QStringLiteral("none"), Qt::CaseInsensitive) != 0) {
        for (QChar c : letters) {
            switch (c.toUpper().unicode()) {
            case u'A': granted.RightA = true; break;
            case u'B': granted.RightB = true; break;
            case u'C': granted.RightC = true; break;
            default:
                if (error)
                    *error = QStringLiteral("Rights are letters of A, B and C (or \"none\"), not \"%1\".").arg(letters);
                return false;
            }
        }
    }
    rights = granted;
    return true;
}

} // namespace zeva::host
