// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Another program's SQLite database, open for reading only: never written, no file of
// its owner's created, and no transaction kept between queries, so the program that
// owns it goes on writing while we read.
class SqliteDatabase {
public:
    // A query's parameter: a whole number or a text.
    using Binding = std::variant<std::int64_t, std::string>;
    // Called once per result row with the statement positioned on it (valid only during the call).
    using RowHandler = std::function<void(sqlite3_stmt*)>;

    // Opens path read-only, waiting up to kBusyTimeoutMs for a writer's lock; null
    // with a reason (one clause, no full stop) in failure when it cannot be opened.
    static std::unique_ptr<SqliteDatabase> openReadOnly(const std::string& path, std::string& failure);

    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Whether table exists and has every one of columns; false too when the schema
    // cannot be read (failure then says why).
    bool hasColumns(std::string_view table, std::initializer_list<std::string_view> columns, std::string& failure);

    // A table a reader needs, with the columns it reads.
    struct Table {
        std::string_view name;
        std::initializer_list<std::string_view> columns;
    };
    // Whether every table exists with its columns: a library is judged by what it
    // holds, whatever version it claims. failure says what is missing when not.
    bool hasTables(std::initializer_list<Table> tables, std::string& failure);

    // Runs sql with the bindings (?1, ?2, … in order), calling row for every result
    // row; false with a reason in failure when it cannot be run to the end.
    bool query(const char* sql, const std::vector<Binding>& bindings, const RowHandler& row, std::string& failure);

    // The text of column (UTF-8), empty for NULL.
    static std::string text(sqlite3_stmt* statement, int column);

    // Long enough for a photo program's own write transaction, short enough for a frame.
    static constexpr int kBusyTimeoutMs = 2000;

private:
    SqliteDatabase(sqlite3* connection, std::string path)
        : mConnection(connection)
        , mPath(std::move(path))
    {
    }

    std::string failureText() const;

    sqlite3* mConnection;
    std::string mPath;
};
