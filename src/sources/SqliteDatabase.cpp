// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/SqliteDatabase.h"

#include <sys/stat.h>

#include <algorithm>

namespace {

// A file name as a URI path: every byte outside the unreserved set is escaped, so a
// '?' or '#' in a folder's name is not read as the start of the query.
std::string uriPath(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 15];
        }
    }
    return escaped;
}

std::string errorText(sqlite3* connection)
{
    return connection ? sqlite3_errmsg(connection) : "out of memory";
}

// Finalizes the statement however the query ends, so no read transaction outlives it.
struct StatementGuard {
    sqlite3_stmt* statement { nullptr };
    ~StatementGuard() { sqlite3_finalize(statement); }
};

}

std::unique_ptr<SqliteDatabase> SqliteDatabase::openReadOnly(const std::string& path, std::string& failure)
{
    // mode=ro keeps SQLite from ever writing; not immutable=1, which would miss what
    // a live program's write-ahead log holds.
    const std::string uri = "file:" + uriPath(path) + "?mode=ro";
    sqlite3* connection = nullptr;
    const int status = sqlite3_open_v2(uri.c_str(), &connection, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (status != SQLITE_OK) {
        failure = errorText(connection);
        sqlite3_close(connection);
        return nullptr;
    }
    sqlite3_busy_timeout(connection, kBusyTimeoutMs);
    return std::unique_ptr<SqliteDatabase>(new SqliteDatabase(connection, path));
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close(mConnection);
}

bool SqliteDatabase::hasColumns(std::string_view table, std::initializer_list<std::string_view> columns, std::string& failure)
{
    std::vector<std::string> present;
    if (!query(
            "SELECT name FROM pragma_table_info(?1)", { std::string(table) }, [&](sqlite3_stmt* row) { present.push_back(text(row, 0)); }, failure))
        return false;
    for (const std::string_view column : columns) {
        if (std::find(present.begin(), present.end(), column) == present.end())
            return false;
    }
    return true;
}

bool SqliteDatabase::query(const char* sql, const std::vector<Binding>& bindings, const RowHandler& row, std::string& failure)
{
    StatementGuard guard;
    if (sqlite3_prepare_v2(mConnection, sql, -1, &guard.statement, nullptr) != SQLITE_OK) {
        failure = failureText();
        return false;
    }
    int index = 1;
    for (const Binding& binding : bindings) {
        if (const auto* number = std::get_if<std::int64_t>(&binding))
            sqlite3_bind_int64(guard.statement, index, *number);
        else
            sqlite3_bind_text(guard.statement, index, std::get<std::string>(binding).c_str(), -1, SQLITE_TRANSIENT);
        ++index;
    }
    for (;;) {
        const int status = sqlite3_step(guard.statement);
        if (status == SQLITE_DONE)
            return true;
        if (status != SQLITE_ROW) {
            failure = failureText();
            return false;
        }
        row(guard.statement);
    }
}

std::string SqliteDatabase::failureText() const
{
    std::string text = errorText(mConnection);
    // Reading a write-ahead log takes its shared-memory index, which a reader that may
    // not write has to find there already.
    const int code = sqlite3_errcode(mConnection);
    struct stat info { };
    if ((code == SQLITE_CANTOPEN || code == SQLITE_READONLY) && ::stat((mPath + "-wal").c_str(), &info) == 0)
        text += " (it is in WAL mode, and its -shm file is missing and cannot be made read-only)";
    return text;
}

std::string SqliteDatabase::text(sqlite3_stmt* statement, int column)
{
    const unsigned char* value = sqlite3_column_text(statement, column);
    return value ? std::string(reinterpret_cast<const char*>(value), static_cast<std::size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

bool SqliteDatabase::hasTables(std::initializer_list<Table> tables, std::string& failure)
{
    for (const Table& table : tables) {
        if (!hasColumns(table.name, table.columns, failure)) {
            if (failure.empty())
                failure = "it has no table " + std::string(table.name) + " with the columns this program reads";
            return false;
        }
    }
    return true;
}
