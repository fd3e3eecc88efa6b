#include "outputcheck.h"

#include "exitcodes.h"

#include <QFileDevice>
#include <QTextStream>

namespace cli {

QString outputFailure(QTextStream& out)
{
    out.flush();
    if (out.status() == QTextStream::Ok)
        return QString();
    const auto* file = qobject_cast<const QFileDevice*>(out.device());
    return QStringLiteral("The standard output cannot be written (%1).")
        .arg(file ? file->errorString() : QStringLiteral("write failed"));
}

int checkedOutput(int code, QTextStream& out, QTextStream& err)
{
    if (code != exitcode::Done)
        return code;
    const QString failure = outputFailure(out);
    if (failure.isEmpty())
        return code;
    err << failure << '\n';
    err.flush();
    return exitcode::OutputFailed;
}

} // namespace cli
