#include "libro.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dataset.h"
#include "errors.h"
#include "field.h"

namespace horalia::libro {

namespace {

const QDate kEpoch(1899, 12, 30);  // serial 0 of a workbook's dates
constexpr double kMsecsPerDay = 24.0 * 3600 * 1000;
// Excel refuses columns wider than this.
constexpr double kMaxWidth = 255;

// What a failure of the system means to the user, in Spanish.
QString reason(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("la carpeta no existe");
        case EACCES:
        case EPERM:
            return QStringLiteral("no hay permiso para escribir en la carpeta");
        case EROFS:
            return QStringLiteral("la carpeta es de solo lectura");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("no queda espacio en el disco");
        case EISDIR:
            return QStringLiteral("ya hay una carpeta con ese nombre");
        case EIO:
            return QStringLiteral("error de entrada/salida del disco");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString reason(lxw_error error) {
    switch (error) {
        case LXW_ERROR_MEMORY_MALLOC_FAILED:
            return QStringLiteral("no hay memoria suficiente");
        case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
            return QStringLiteral("un texto pasa de los 32.767 caracteres que admite una celda");
        case LXW_ERROR_CREATING_TMPFILE:
            return QStringLiteral("no se ha podido crear un archivo temporal");
        case LXW_ERROR_CREATING_XLSX_FILE:
        case LXW_ERROR_ZIP_FILE_OPERATION:
        case LXW_ERROR_ZIP_FILE_ADD:
        case LXW_ERROR_ZIP_CLOSE:
            // errno still holds what the system said, when it was the system.
            return errno != 0 ? reason(errno) : QStringLiteral("error al escribir el archivo");
        default:
            return QString::fromUtf8(lxw_strerror(error));
    }
}

[[noreturn]] void fail(const QString& file, const QString& why) {
    throw FileError(QStringLiteral("No se ha podido guardar el libro %1: %2")
                        .arg(QDir::toNativeSeparators(file), why));
}

// How a cell is written, decided once per column.
enum class CellKind { Number, Date, Time, DateTime, Text };

CellKind cellKind(const Field& field) {
    switch (field.kind) {
        case FieldKind::Integer:
            // A 64-bit number may not fit a workbook's doubles: it goes as its text.
            return field.size == 64 ? CellKind::Text : CellKind::Number;
        case FieldKind::Float:
            return CellKind::Number;
        case FieldKind::Date:
            return CellKind::Date;
        case FieldKind::Time:
            return CellKind::Time;
        case FieldKind::DateTime:
            return CellKind::DateTime;
        case FieldKind::Text:
            break;
    }
    return CellKind::Text;
}

// Characters the workbook needs to show a number in its general format: at most ten
// significant digits, as a spreadsheet shows it in a column fitted to it.
int numberChars(double value) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%.10g", value);
    return std::min(n, 11);
}

// Characters of UTF-8 text (continuation bytes do not count).
int utf8Chars(const QByteArray& text) {
    int n = 0;
    for (const char c : text) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

// A column width in the workbook's units (characters of its default font) for content of
// `chars` characters: a bold character is about a tenth wider; one more for the cell's margins.
double widthFor(int chars, bool bold) {
    return chars * (bold ? 1.1 : 1.0) + 1.0;
}

// The temporary file beside the workbook, removed unless it became the workbook.
class TemporaryFile {
public:
    explicit TemporaryFile(const QString& file) : target_(file) {
        const QFileInfo info(file);
        QByteArray pattern = QFile::encodeName(info.absolutePath() + QLatin1String("/.") +
                                               info.fileName() + QLatin1String(".XXXXXX"));
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            fail(file, reason(errno));
        }
        path_ = pattern;
        // mkstemp makes the file private to its owner; a workbook is shared as any file the
        // user makes is, or as the one it replaces.
        struct stat old {};
        mode_t mode;
        if (::stat(QFile::encodeName(file).constData(), &old) == 0) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::fchmod(fd, mode);
        ::close(fd);
    }
    ~TemporaryFile() {
        if (!path_.isEmpty()) {
            ::unlink(path_.constData());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const char* path() const { return path_.constData(); }

    // Makes the written file the workbook: flushed to the disk first (so that a power cut
    // never leaves an empty workbook behind), then put in place in one step.
    void commit() {
        const int fd = ::open(path_.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const int error = errno;
            if (fd >= 0) {
                ::close(fd);
            }
            fail(target_, reason(error));
        }
        ::close(fd);
        if (::rename(path_.constData(), QFile::encodeName(target_).constData()) != 0) {
            fail(target_, reason(errno));
        }
        path_.clear();
    }

private:
    QString target_;
    QByteArray path_;
};

// The workbook being written; freed without writing anything unless it was closed.
class Workbook {
public:
    Workbook(const QString& file, const char* path) {
        lxw_workbook_options options{};
        // Each row goes to the disk once the next one begins: the memory used does not grow
        // with the rows.
        options.constant_memory = LXW_TRUE;
        errno = 0;
        book_ = workbook_new_opt(path, &options);
        if (!book_) {
            fail(file, reason(errno != 0 ? errno : ENOMEM));
        }
    }
    ~Workbook() {
        if (book_) {
            lxw_workbook_free(book_);
        }
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_workbook* get() const { return book_; }
    lxw_error close() {
        errno = 0;
        const lxw_error error = workbook_close(book_);  // frees it, whatever the outcome
        book_ = nullptr;
        return error;
    }

private:
    lxw_workbook* book_ = nullptr;
};

}  // namespace

void write(const QString& file, const QString& sheet, const QList<Column>& columns,
           Dataset& dataset, const Progress* progress) {
    // Everything that can be refused without writing is refused first.
    std::vector<int> fieldIndexes;
    std::vector<CellKind> kinds;
    for (const Column& column : columns) {
        const Field& field = dataset.field(column.field);  // throws for an unknown field
        fieldIndexes.push_back(dataset.fieldIndex(column.field));
        kinds.push_back(cellKind(field));
    }
    // A closed dataset has nothing pending and no rows: the header row alone is written.
    dataset.checkBrowseMode();
    const int rows = dataset.recordCount();
    if (rows > kMaxRows) {
        fail(file, QStringLiteral("tiene %1 filas y una hoja admite como mucho %2")
                       .arg(rows)
                       .arg(kMaxRows));
    }
    const int ncolumns = int(columns.size());
    if (ncolumns > LXW_COL_MAX) {
        fail(file, QStringLiteral("una hoja admite como mucho %1 columnas").arg(LXW_COL_MAX));
    }

    TemporaryFile temporary(file);
    Workbook book(file, temporary.path());
    const QByteArray sheetName = sheet.toUtf8();
    if (workbook_validate_sheet_name(book.get(), sheetName.constData()) != LXW_NO_ERROR) {
        fail(file, QStringLiteral("'%1' no es un nombre de hoja válido").arg(sheet));
    }
    lxw_worksheet* ws = workbook_add_worksheet(book.get(), sheetName.constData());
    lxw_format* bold = workbook_add_format(book.get());
    lxw_format* date = workbook_add_format(book.get());
    lxw_format* time = workbook_add_format(book.get());
    lxw_format* dateTime = workbook_add_format(book.get());
    if (!ws || !bold || !date || !time || !dateTime) {
        fail(file, reason(LXW_ERROR_MEMORY_MALLOC_FAILED));
    }
    format_set_bold(bold);
    format_set_num_format(date, "dd/mm/yyyy");
    format_set_num_format(time, "hh:mm:ss");
    format_set_num_format(dateTime, "dd/mm/yyyy hh:mm:ss");

    const auto check = [&file](lxw_error error) {
        if (error != LXW_NO_ERROR) {
            fail(file, reason(error));
        }
    };

    // The widest content of each column, in the workbook's width units.
    std::vector<double> widths(size_t(ncolumns), 0.0);
    for (int c = 0; c < ncolumns; ++c) {
        const QByteArray title = columns.at(c).title.toUtf8();
        check(worksheet_write_string(ws, 0, lxw_col_t(c), title.constData(), bold));
        if (!title.isEmpty()) {
            widths[size_t(c)] = widthFor(utf8Chars(title), true);
        }
    }

    // The indicator is hidden again whatever happens to the rows.
    struct Hide {
        const Progress* progress;
        ~Hide() {
            if (progress && progress->hide) {
                progress->hide();
            }
        }
    };
    {
        const Hide hide{progress};
        if (progress && progress->init) {
            progress->init(rows);
        }
        const double dateChars = widthFor(10, false);
        const double timeChars = widthFor(8, false);
        const double dateTimeChars = widthFor(19, false);
        std::vector<double> lastNumbers(size_t(ncolumns), std::nan(""));
        for (int r = 0; r < rows; ++r) {
            const lxw_row_t row = lxw_row_t(r + 1);
            for (int c = 0; c < ncolumns; ++c) {
                const lxw_col_t col = lxw_col_t(c);
                const QVariant v = dataset.value(r, fieldIndexes[size_t(c)]);
                const bool empty = v.isNull() || !v.isValid();
                double& width = widths[size_t(c)];
                switch (kinds[size_t(c)]) {
                    case CellKind::Number: {
                        const double number = empty ? 0.0 : v.toDouble();
                        check(worksheet_write_number(ws, row, col, number, nullptr));
                        // Hours repeat from row to row: the text of each number is worked out
                        // once per run of equal values.
                        double& last = lastNumbers[size_t(c)];
                        if (number != last) {
                            last = number;
                            width = std::max(width, widthFor(numberChars(number), false));
                        }
                        break;
                    }
                    case CellKind::Date:
                        check(worksheet_write_number(
                            ws, row, col, empty ? 0.0 : double(kEpoch.daysTo(v.toDate())), date));
                        width = std::max(width, dateChars);
                        break;
                    case CellKind::Time:
                        check(worksheet_write_number(
                            ws, row, col,
                            empty ? 0.0 : v.toTime().msecsSinceStartOfDay() / kMsecsPerDay, time));
                        width = std::max(width, timeChars);
                        break;
                    case CellKind::DateTime: {
                        double serial = 0.0;
                        if (!empty) {
                            const QDateTime when = v.toDateTime();
                            serial = double(kEpoch.daysTo(when.date())) +
                                     when.time().msecsSinceStartOfDay() / kMsecsPerDay;
                        }
                        check(worksheet_write_number(ws, row, col, serial, dateTime));
                        width = std::max(width, dateTimeChars);
                        break;
                    }
                    case CellKind::Text: {
                        if (empty) {
                            break;  // an empty text is an empty cell
                        }
                        const QByteArray text = v.toString().toUtf8();
                        if (text.isEmpty()) {
                            break;
                        }
                        check(worksheet_write_string(ws, row, col, text.constData(), nullptr));
                        width = std::max(width, widthFor(utf8Chars(text), false));
                        break;
                    }
                }
            }
            if (progress && progress->advance) {
                progress->advance();
            }
        }
    }

    // Column widths may follow the rows even in constant-memory mode: they are written when
    // the worksheet is put together, at the close.
    for (int c = 0; c < ncolumns; ++c) {
        if (widths[size_t(c)] > 0) {
            check(worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c),
                                       std::min(widths[size_t(c)], kMaxWidth), nullptr));
        }
    }
    check(book.close());
    temporary.commit();
}

}  // namespace horalia::libro
