#include "dataset.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

#include "connection.h"
#include "errors.h"

namespace horalia {

namespace {

// MySQL protocol column types (enum_field_types), as QSqlField::typeID() reports them.
FieldKind kindOfColumn(const QSqlField& column) {
    switch (column.typeID()) {
        case 1:
        case 2:
        case 3:
        case 8:
        case 9:
        case 13:
        case 16:
            return FieldKind::Integer;
        case 0:
        case 4:
        case 5:
        case 246:
            return FieldKind::Float;
        case 10:
        case 14:
            return FieldKind::Date;
        case 11:
            return FieldKind::Time;
        case 7:
        case 12:
            return FieldKind::DateTime;
        default:
            break;
    }
    switch (column.metaType().id()) {
        case QMetaType::Char:
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return FieldKind::Integer;
        case QMetaType::Double:
        case QMetaType::Float:
            return FieldKind::Float;
        case QMetaType::QDate:
            return FieldKind::Date;
        case QMetaType::QTime:
            return FieldKind::Time;
        case QMetaType::QDateTime:
            return FieldKind::DateTime;
        default:
            return FieldKind::Text;
    }
}

bool sameValue(const QVariant& a, const QVariant& b) {
    const bool an = a.isNull() || !a.isValid();
    const bool bn = b.isNull() || !b.isValid();
    if (an || bn) {
        return an == bn;
    }
    return a == b;
}

QString quoteName(const QString& name) {
    return QLatin1Char('`') + QString(name).replace(QLatin1Char('`'), QLatin1String("``")) +
           QLatin1Char('`');
}

// Where a statement's last top-level ORDER BY begins (at "order"), or -1. Text in quotes or
// parentheses does not count.
qsizetype topLevelOrderBy(const QString& sql) {
    static const QRegularExpression orderBy(QStringLiteral("\\Gorder\\s+by\\s"),
                                            QRegularExpression::CaseInsensitiveOption);
    qsizetype found = -1;
    int depth = 0;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == QLatin1Char('\\')) {
                ++i;
            } else if (c == quote) {
                quote = QChar();
            }
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (depth == 0 && (i == 0 || sql.at(i - 1).isSpace()) &&
                   orderBy.match(sql, i).hasMatch()) {
            found = i;
        }
    }
    return found;
}

// A null to bind: the driver sends NULL for any null variant.
QVariant bindable(const QVariant& v) {
    return v.isValid() ? v : QVariant(QMetaType::fromType<QString>());
}

}  // namespace

Dataset::Dataset(Connection& connection, const QString& name, QObject* parent)
    : QObject(parent), connection_(connection) {
    setObjectName(name);
}

Dataset::~Dataset() {
    if (master_) {
        auto& d = master_->details_;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    for (Dataset* detail : details_) {
        detail->master_ = nullptr;
    }
}

// --- Statement -------------------------------------------------------------------------------

void Dataset::setSql(const QString& sql) {
    if (isOpen()) {
        throw UserError(
            QStringLiteral("No se puede cambiar la consulta de %1 mientras está abierta")
                .arg(objectName()));
    }
    sql_ = sql;
}

void Dataset::setParam(const QString& name, const QVariant& value) {
    params_[name.toLower()] = value;
}

QVariant Dataset::param(const QString& name) const {
    const auto it = params_.find(name.toLower());
    return it == params_.end() ? QVariant() : it->second;
}

QString Dataset::substituteParams(const QString& sql) const {
    QString out;
    out.reserve(sql.size() + 32);
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == QLatin1Char('\\') && i + 1 < sql.size()) {
                out += sql.at(++i);
            } else if (c == quote) {
                quote = QChar();
            }
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
            out += c;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < sql.size() &&
            (sql.at(i + 1).isLetter() || sql.at(i + 1) == QLatin1Char('_'))) {
            qsizetype end = i + 1;
            while (end < sql.size() &&
                   (sql.at(end).isLetterOrNumber() || sql.at(end) == QLatin1Char('_'))) {
                ++end;
            }
            // A parameter never given a value is null, as a fresh parameter is.
            const auto it = params_.find(sql.mid(i + 1, end - i - 1).toLower());
            out += it != params_.end() ? connection_.literal(it->second) : QStringLiteral("NULL");
            i = end - 1;
            continue;
        }
        out += c;
    }
    return out;
}

QString Dataset::buildStatement() const {
    QString statement = substituteParams(sql_);
    if (!masterLinkActive()) {
        return statement;
    }
    // The detail keeps its own statement; the tie narrows it from outside, so that any
    // statement (ordered, limited) can be a detail.
    QStringList conditions;
    const bool masterHasRow = master_->isOpen() && !master_->isEmpty();
    for (int i = 0; i < detailFields_.size(); ++i) {
        const QVariant v = masterHasRow ? master_->value(masterFields_.at(i)) : QVariant();
        conditions << quoteName(detailFields_.at(i)) + QLatin1Char('=') + connection_.literal(v);
    }
    // MariaDB drops the ORDER BY of a derived table, so the rows of a wrapped statement would
    // come back in any order. A trailing ORDER BY over columns of the result is moved out to
    // the outer query; any other ordering stays inside, as written.
    QString order;
    const qsizetype at = topLevelOrderBy(statement);
    if (at >= 0) {
        static const QRegularExpression byColumns(
            QStringLiteral("^order\\s+by\\s+((?:`?\\w+`?(?:\\s+(?:asc|desc))?\\s*,\\s*)*"
                           "`?\\w+`?(?:\\s+(?:asc|desc))?)\\s*$"),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = byColumns.match(statement.mid(at));
        bool known = m.hasMatch();
        if (known) {
            static const QRegularExpression name(
                QStringLiteral("`?(\\w+)`?(?:\\s+(?:asc|desc))?\\s*$"),
                QRegularExpression::CaseInsensitiveOption);
            for (const QString& item : m.captured(1).split(QLatin1Char(','))) {
                known = known && fieldIndex(name.match(item.trimmed()).captured(1)) >= 0;
            }
        }
        if (known) {
            order = QStringLiteral(" order by ") + m.captured(1);
            statement.truncate(at);
        }
    }
    return QStringLiteral("select * from (%1) as detalle where %2%3")
        .arg(statement, conditions.join(QLatin1String(" and ")), order);
}

// --- Columns -------------------------------------------------------------------------------

void Dataset::setFields(const QList<Field>& fields) {
    if (isOpen()) {
        throw UserError(
            QStringLiteral("No se pueden cambiar las columnas de %1 mientras está abierta")
                .arg(objectName()));
    }
    fields_ = fields;
    declaredFields_ = !fields.isEmpty();
}

int Dataset::fieldIndex(const QString& name) const {
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_.at(i).name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

const Field& Dataset::field(const QString& name) const {
    const int i = fieldIndex(name);
    if (i < 0) {
        throw UserError(QStringLiteral("%1: no existe el campo '%2'").arg(objectName(), name));
    }
    return fields_.at(i);
}

void Dataset::checkColumns(const QSqlRecord& record) {
    if (!declaredFields_) {
        fields_.clear();
        for (int i = 0; i < record.count(); ++i) {
            Field f;
            f.name = record.fieldName(i);
            f.kind = kindOfColumn(record.field(i));
            fields_ << f;
        }
        return;
    }
    for (const Field& f : std::as_const(fields_)) {
        const int column = record.indexOf(f.name);
        if (column < 0) {
            throw DatabaseError(
                QStringLiteral("No se puede abrir %1: la base de datos no tiene la columna '%2'")
                    .arg(objectName(), f.name));
        }
        const FieldKind actual = kindOfColumn(record.field(column));
        if (actual != f.kind) {
            throw DatabaseError(
                QStringLiteral("No se puede abrir %1: la columna '%2' es de tipo %3 y se "
                               "esperaba %4")
                    .arg(objectName(), f.name, kindName(actual), kindName(f.kind)));
        }
    }
}

void Dataset::setUpdateTable(const QString& table, const QStringList& keyFields) {
    table_ = table;
    keyFields_ = keyFields;
}

// --- Master/detail ---------------------------------------------------------------------------

void Dataset::setMasterLink(Dataset* master, const QStringList& masterFields,
                            const QStringList& detailFields) {
    Q_ASSERT(masterFields.size() == detailFields.size());
    if (master_) {
        auto& d = master_->details_;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    master_ = master;
    masterFields_ = masterFields;
    detailFields_ = detailFields;
    if (master_) {
        master_->details_.push_back(this);
    }
}

void Dataset::setMasterLinkActive(bool active) {
    if (linkActive_ == active) {
        return;
    }
    linkActive_ = active;
    if (isOpen() && master_) {
        checkBrowseMode();
        emit rowsAboutToReset();
        loadForMaster();
        current_ = isEmpty() ? -1 : 0;
        emit rowsReset();
        emit currentRowChanged(current_);
        emit dataChanged();
        notifyDetails();
    }
}

void Dataset::masterChanged() {
    if (!isOpen() || !masterLinkActive()) {
        return;
    }
    // However the master moved (a move, a refresh, a filter, a delete), a change typed in
    // this row is stored before the rows of the new master row replace it.
    checkBrowseMode();
    emit rowsAboutToReset();
    loadForMaster();
    current_ = isEmpty() ? -1 : 0;
    setState(State::Browse);
    emit rowsReset();
    emit currentRowChanged(current_);
    emit dataChanged();
    notifyDetails();
}

void Dataset::notifyDetails() {
    for (Dataset* detail : std::vector<Dataset*>(details_)) {
        detail->masterChanged();
    }
}

// --- Filter ----------------------------------------------------------------------------------

void Dataset::setFilter(Filter filter) {
    if (isOpen()) {
        checkBrowseMode();
    }
    filter_ = std::move(filter);
    if (!isOpen()) {
        return;
    }
    emit rowsAboutToReset();
    applyFilter();
    current_ = isEmpty() ? -1 : 0;
    emit rowsReset();
    emit currentRowChanged(current_);
    emit dataChanged();
    notifyDetails();
}

void Dataset::applyFilter() {
    view_.clear();
    view_.reserve(buffer_.size());
    for (int i = 0; i < int(buffer_.size()); ++i) {
        if (!filter_ || filter_(*this, buffer_[size_t(i)])) {
            view_.push_back(i);
        }
    }
}

// --- Life cycle ------------------------------------------------------------------------------

void Dataset::load() {
    const QString statement = buildStatement();
    lastStatement_ = statement;
    connection_.ensureOpen();
    QSqlQuery q(connection_.database());
    q.setForwardOnly(true);
    // Every floating column becomes a double anyway (normalise): take it as one from the
    // driver, which would otherwise parse each value and still hand back its text.
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    // Nothing read so far is dropped before the new rows are all in: a failed re-read leaves
    // the rows as they were.
    if (!q.exec(statement)) {
        throw connection_.error(statement, q.lastError());
    }
    checkColumns(q.record());
    const QSqlRecord record = q.record();
    std::vector<int> columns;
    columns.reserve(size_t(fields_.size()));
    for (const Field& f : std::as_const(fields_)) {
        columns.push_back(record.indexOf(f.name));
    }
    std::vector<Row> rows;
    if (q.size() > 0) {
        rows.reserve(size_t(q.size()));
    }
    while (q.next()) {
        Row row(fields_.size());
        for (int i = 0; i < fields_.size(); ++i) {
            row[i] = normalise(fields_.at(i).kind, q.value(columns[size_t(i)]));
        }
        rows.push_back(std::move(row));
    }
    if (q.lastError().isValid()) {
        throw connection_.error(statement, q.lastError());
    }
    buffer_ = std::move(rows);
    applyFilter();
}

void Dataset::loadForMaster() {
    try {
        load();
    } catch (...) {
        // The rows read before belong to another master row: none is better than those.
        buffer_.clear();
        view_.clear();
        current_ = -1;
        emit rowsReset();
        throw;
    }
}

void Dataset::open() {
    if (isOpen()) {
        return;
    }
    emit beforeOpen();
    emit rowsAboutToReset();
    try {
        load();
    } catch (...) {
        emit rowsReset();
        throw;
    }
    current_ = isEmpty() ? -1 : 0;
    setState(State::Browse);
    emit rowsReset();
    emit afterOpen();
    emit currentRowChanged(current_);
    emit dataChanged();
    notifyDetails();
}

void Dataset::close() {
    if (!isOpen()) {
        return;
    }
    emit rowsAboutToReset();
    buffer_.clear();
    view_.clear();
    editRow_.clear();
    assigned_.clear();
    modified_ = false;
    current_ = -1;
    setState(State::Inactive);
    emit rowsReset();
    emit afterClose();
    emit currentRowChanged(current_);
    emit dataChanged();
    notifyDetails();
}

void Dataset::refresh() {
    requireOpen("refrescar");
    checkBrowseMode();
    const int oldRow = current_;
    const QVariantList key = current_ >= 0 && !keyFields_.isEmpty()
                                 ? keyValues(buffer_[size_t(view_[size_t(current_)])])
                                 : QVariantList();
    emit rowsAboutToReset();
    try {
        load();
    } catch (...) {
        // The rows read before are still there, and so is the current one.
        emit rowsReset();
        throw;
    }
    current_ = isEmpty() ? -1 : std::clamp(oldRow, 0, recordCount() - 1);
    if (!key.isEmpty()) {
        for (int i = 0; i < recordCount(); ++i) {
            if (keyValues(buffer_[size_t(view_[size_t(i)])]) == key) {
                current_ = i;
                break;
            }
        }
    }
    emit rowsReset();
    emit currentRowChanged(current_);
    emit dataChanged();
    notifyDetails();
}

void Dataset::requery() {
    if (isOpen()) {
        refresh();
    } else {
        open();
    }
}

void Dataset::setState(State state) {
    if (state_ == state) {
        return;
    }
    state_ = state;
    emit stateChanged(state);
}

void Dataset::requireOpen(const char* operation) const {
    if (!isOpen()) {
        throw UserError(QStringLiteral("No se puede %1 %2: no está abierta")
                            .arg(QLatin1String(operation), objectName()));
    }
}

void Dataset::requireWritable() const {
    if (isReadOnly()) {
        throw UserError(QStringLiteral("%1 es de solo lectura").arg(objectName()));
    }
}

// --- Navigation ------------------------------------------------------------------------------

void Dataset::setCurrentRow(int row) {
    requireOpen("moverse en");
    if (isEmpty()) {
        return;
    }
    row = std::clamp(row, 0, recordCount() - 1);
    if (row == current_) {
        return;
    }
    // A pending change is stored before leaving the row, the details' first.
    for (Dataset* detail : details_) {
        if (detail->masterLinkActive()) {
            detail->checkBrowseMode();
        }
    }
    checkBrowseMode();
    // A handler of the post may have read the rows again (fewer of them, perhaps).
    if (isEmpty()) {
        return;
    }
    current_ = std::clamp(row, 0, recordCount() - 1);
    emit currentRowChanged(current_);
    emit dataChanged();
    notifyDetails();
}

void Dataset::next() {
    if (current_ + 1 < recordCount()) {
        setCurrentRow(current_ + 1);
    }
}

void Dataset::prior() {
    if (current_ > 0) {
        setCurrentRow(current_ - 1);
    }
}

bool Dataset::locate(const QStringList& fieldNames, const QVariantList& values) {
    requireOpen("buscar en");
    std::vector<int> indexes;
    QVariantList wanted;
    for (int i = 0; i < fieldNames.size(); ++i) {
        const int f = fieldIndex(fieldNames.at(i));
        if (f < 0) {
            field(fieldNames.at(i));  // throws the unknown-field error
        }
        indexes.push_back(f);
        wanted << normalise(fields_.at(f).kind, values.value(i));
    }
    for (int r = 0; r < recordCount(); ++r) {
        const Row& row = buffer_[size_t(view_[size_t(r)])];
        bool match = true;
        for (size_t i = 0; i < indexes.size() && match; ++i) {
            match = sameValue(row[indexes[i]], wanted.at(int(i)));
        }
        if (match) {
            setCurrentRow(r);
            return true;
        }
    }
    return false;
}

Dataset::Row& Dataset::currentBufferRow() {
    return buffer_[size_t(view_[size_t(current_)])];
}
const Dataset::Row& Dataset::currentBufferRow() const {
    return buffer_[size_t(view_[size_t(current_)])];
}

QVariant Dataset::value(const QString& fieldName) const {
    const int f = fieldIndex(fieldName);
    if (f < 0) {
        field(fieldName);  // throws
    }
    if (isEditing()) {
        return editRow_.value(f);
    }
    if (current_ < 0) {
        return {};
    }
    return currentBufferRow().value(f);
}

QVariant Dataset::value(int row, int field) const {
    if (row < 0 || row >= recordCount() || field < 0 || field >= fields_.size()) {
        return {};
    }
    if (row == current_ && isEditing()) {
        return editRow_.value(field);
    }
    return buffer_[size_t(view_[size_t(row)])].value(field);
}

void Dataset::setValue(const QString& fieldName, const QVariant& value) {
    if (state_ != State::Edit && state_ != State::Insert) {
        throw UserError(QStringLiteral("%1 no está en edición").arg(objectName()));
    }
    const int f = fieldIndex(fieldName);
    if (f < 0) {
        field(fieldName);  // throws
    }
    const QVariant v = normalise(fields_.at(f).kind, value);
    assigned_.insert(f);
    if (sameValue(editRow_[f], v) && editRow_[f].isValid() == v.isValid()) {
        return;
    }
    editRow_[f] = v;
    modified_ = true;
    emit rowChanged(current_);
    emit dataChanged();
}

// --- Editing ---------------------------------------------------------------------------------

void Dataset::append() {
    requireOpen("añadir a");
    requireWritable();
    checkBrowseMode();
    Row row(fields_.size());
    const int at = recordCount();
    emit rowAboutToBeInserted(at);
    buffer_.push_back(row);
    view_.push_back(int(buffer_.size()) - 1);
    current_ = at;
    editRow_ = row;
    assigned_.clear();
    modified_ = false;
    setState(State::Insert);
    if (masterLinkActive() && master_->isOpen() && !master_->isEmpty()) {
        for (int i = 0; i < detailFields_.size(); ++i) {
            setValue(detailFields_.at(i), master_->value(masterFields_.at(i)));
        }
    }
    emit rowInserted(at);
    emit currentRowChanged(current_);
    emit dataChanged();
}

void Dataset::edit() {
    requireOpen("modificar");
    requireWritable();
    if (isEditing()) {
        return;
    }
    if (isEmpty()) {
        throw UserError(
            QStringLiteral("No hay ningún registro que modificar en %1").arg(objectName()));
    }
    editRow_ = currentBufferRow();
    assigned_.clear();
    modified_ = false;
    setState(State::Edit);
    emit dataChanged();
}

QVariantList Dataset::keyValues(const Row& row) const {
    QVariantList key;
    for (const QString& k : keyFields_) {
        key << row.value(fieldIndex(k));
    }
    return key;
}

void Dataset::postInsert() {
    QStringList columns;
    QStringList marks;
    QVariantList values;
    for (const int f : assigned_) {
        columns << quoteName(fields_.at(f).name);
        marks << QStringLiteral("?");
        values << bindable(editRow_[f]);
    }
    const QString statement =
        QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(quoteName(table_), columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    QSqlQuery& q = prepared(statement);
    for (int i = 0; i < values.size(); ++i) {
        q.bindValue(i, values.at(i));
    }
    if (!q.exec()) {
        const QSqlError e = q.lastError();
        forgetPrepared(statement);
        throw connection_.error(statement, e);
    }
    // The database numbers new rows; the row keeps its number so it can be changed later.
    const QVariant id = q.lastInsertId();
    if (!keyFields_.isEmpty() && id.isValid() && id.toLongLong() != 0) {
        const int k = fieldIndex(keyFields_.first());
        if (k >= 0 && editRow_[k].isNull()) {
            editRow_[k] = normalise(fields_.at(k).kind, id);
        }
    }
}

void Dataset::postUpdate() {
    const Row& original = currentBufferRow();
    QStringList sets;
    QVariantList values;
    for (int f = 0; f < fields_.size(); ++f) {
        if (!sameValue(original[f], editRow_[f])) {
            sets << quoteName(fields_.at(f).name) + QStringLiteral("=?");
            values << bindable(editRow_[f]);
        }
    }
    if (sets.isEmpty()) {
        return;
    }
    QStringList where;
    for (const QString& k : keyFields_) {
        where << quoteName(k) + QStringLiteral("=?");
        values << bindable(original.value(fieldIndex(k)));
    }
    const QString statement = QStringLiteral("update %1 set %2 where %3")
                                  .arg(quoteName(table_), sets.join(QLatin1Char(',')),
                                       where.join(QLatin1String(" and ")));
    QSqlQuery& q = prepared(statement);
    for (int i = 0; i < values.size(); ++i) {
        q.bindValue(i, values.at(i));
    }
    if (!q.exec()) {
        const QSqlError e = q.lastError();
        forgetPrepared(statement);
        throw connection_.error(statement, e);
    }
}

QSqlQuery& Dataset::prepared(const QString& statement) {
    connection_.ensureOpen();
    const quint64 link = connection_.openings();
    if (link != preparedLink_ || prepared_.size() > 16) {
        prepared_.clear();
        preparedLink_ = link;
    }
    auto& slot = prepared_[statement];
    if (!slot) {
        auto q = std::make_unique<QSqlQuery>(connection_.database());
        if (!q->prepare(statement)) {
            const QSqlError e = q->lastError();
            prepared_.erase(statement);
            throw connection_.error(statement, e);
        }
        slot = std::move(q);
    }
    return *slot;
}

void Dataset::forgetPrepared(const QString& statement) {
    prepared_.erase(statement);
}

void Dataset::post() {
    if (state_ != State::Edit && state_ != State::Insert) {
        throw UserError(QStringLiteral("%1 no está en edición").arg(objectName()));
    }
    emit beforePost();
    if (state_ == State::Insert) {
        postInsert();
    } else {
        postUpdate();
    }
    currentBufferRow() = editRow_;
    assigned_.clear();
    modified_ = false;
    setState(State::Browse);
    emit rowChanged(current_);
    emit afterPost();
    emit dataChanged();
}

void Dataset::cancel() {
    if (state_ == State::Insert) {
        const int at = current_;
        emit rowAboutToBeRemoved(at);
        buffer_.erase(buffer_.begin() + view_[size_t(at)]);
        view_.erase(view_.begin() + at);
        current_ = isEmpty() ? -1 : std::min(at, recordCount() - 1);
        setState(State::Browse);
        emit rowRemoved(at);
        emit currentRowChanged(current_);
    } else if (state_ == State::Edit) {
        setState(State::Browse);
        emit rowChanged(current_);
    } else {
        return;
    }
    editRow_.clear();
    assigned_.clear();
    modified_ = false;
    emit dataChanged();
}

void Dataset::checkBrowseMode() {
    if (isEditing()) {
        post();
    }
}

void Dataset::remove() {
    requireOpen("borrar en");
    requireWritable();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit) {
        cancel();
    }
    if (isEmpty()) {
        throw UserError(
            QStringLiteral("No hay ningún registro que borrar en %1").arg(objectName()));
    }
    QStringList where;
    const QVariantList key = keyValues(currentBufferRow());
    for (const QString& k : keyFields_) {
        where << quoteName(k) + QStringLiteral("=?");
    }
    const QString statement = QStringLiteral("delete from %1 where %2")
                                  .arg(quoteName(table_), where.join(QLatin1String(" and ")));
    connection_.ensureOpen();
    QSqlQuery q(connection_.database());
    if (!q.prepare(statement)) {
        throw connection_.error(statement, q.lastError());
    }
    for (const QVariant& v : key) {
        q.addBindValue(bindable(v));
    }
    if (!q.exec()) {
        throw connection_.error(statement, q.lastError());
    }
    const int at = current_;
    const int bufferRow = view_[size_t(at)];
    emit rowAboutToBeRemoved(at);
    buffer_.erase(buffer_.begin() + bufferRow);
    view_.erase(view_.begin() + at);
    for (int& v : view_) {
        if (v > bufferRow) {
            --v;
        }
    }
    current_ = isEmpty() ? -1 : std::min(at, recordCount() - 1);
    emit rowRemoved(at);
    emit afterDelete();
    emit currentRowChanged(current_);
    emit dataChanged();
    notifyDetails();
}

}  // namespace horalia
