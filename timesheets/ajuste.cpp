#include "ajuste.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

#include "dataset.h"
#include "errors.h"
#include "jornadas.h"

namespace horalia::ajuste {

namespace {
constexpr int kLastSecond = 24 * 3600 - 1;
}  // namespace

int parseMinutes(const QString& text) {
    static const QRegularExpression whole(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    bool ok = whole.match(text).hasMatch();
    const qlonglong value = ok ? text.trimmed().toLongLong(&ok) : 0;
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        throw UserError(QStringLiteral("'%1' no es un valor entero válido").arg(text));
    }
    return int(value);
}

QTime shift(const QTime& time, qint64 minutes, bool* clamped) {
    const qint64 seconds = time.msecsSinceStartOfDay() / 1000 + minutes * 60;
    const qint64 held = std::clamp<qint64>(seconds, 0, kLastSecond);
    if (clamped) {
        *clamped = held != seconds;
    }
    return QTime::fromMSecsSinceStartOfDay(int(held * 1000));
}

Outcome run(Dataset& rows, Dataset* totals, const Request& request, int& desdeactualizar,
            const Progress& progress) {
    Outcome outcome;
    desdeactualizar = 1;
    try {
        const int minutes = parseMinutes(request.amount);
        const QString field = jornadas::adjustableField(request.entsal);
        if (!field.isEmpty() && (request.ad == Aumentar || request.ad == Disminuir)) {
            const qint64 delta = request.ad == Aumentar ? qint64(minutes) : -qint64(minutes);
            const int total = rows.recordCount();
            for (int r = 0; r < total; ++r) {
                rows.setCurrentRow(r);
                ++outcome.rows;
                const QVariant before = rows.value(field);
                // An empty time was never punched: shifting it would invent one.
                if (before.isNull()) {
                    ++outcome.empty;
                } else {
                    rows.edit();
                    bool clamped = false;
                    rows.setValue(field, shift(before.toTime(), delta, &clamped));
                    rows.post();
                    ++outcome.posted;
                    outcome.clamped += clamped ? 1 : 0;
                }
                if (progress) {
                    progress(r + 1, total);
                }
            }
        }
        if (rows.isOpen()) {
            rows.refresh();
        }
        // Nothing is drawn between two rows, so one read at the end shows what a read after
        // each row would have shown.
        if (totals && totals->isOpen()) {
            totals->refresh();
        }
    } catch (...) {
        desdeactualizar = 0;
        // The rows stored before the failure count in the totals, as they would had the
        // totals been read after each row. The first failure is the one reported.
        if (outcome.posted > 0 && totals && totals->isOpen()) {
            try {
                totals->refresh();
            } catch (...) {
            }
        }
        throw;
    }
    desdeactualizar = 0;
    return outcome;
}

}  // namespace horalia::ajuste
