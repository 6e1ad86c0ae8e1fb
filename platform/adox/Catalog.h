#pragma once
// adox: the catalog of a database opened through ado: its tables with their
// columns, indexes and keys; creating databases, tables and linked tables.
//
// Linked tables ("Jet OLEDB:Create Link") are recorded in the database's own
// table MSysLinks (name, provider string, data source, remote table), which
// the catalog reports as a "SYSTEM TABLE"; every connection to the database
// makes them again through the link module of their kind (ado/Provider.h).

#include "platform/ado/Ado.h"
#include "platform/vb/Variant.h"

#include <QString>
#include <memory>
#include <vector>

namespace ado {
class Connection;
}

namespace adox {

using ado::DataTypeEnum;

enum KeyTypeEnum : int { adKeyPrimary = 1, adKeyForeign = 2, adKeyUnique = 3 };
enum ColumnAttributesEnum : int { adColFixed = 1, adColNullable = 2 };

class Catalog;

class Property {
public:
    Property(QString name, vb::Variant value) : m_name(std::move(name)), m_value(std::move(value)) {}
    QString Name() const { return m_name; }
    vb::Variant Value() const { return m_value; }
    void SetValue(const vb::Variant& v)
    {
        m_value = v;
        m_set = true;
    }
    bool wasSet() const { return m_set; }

private:
    QString m_name;
    vb::Variant m_value;
    bool m_set = false;
};

class Properties {
public:
    explicit Properties(std::vector<Property> items) : m_items(std::move(items)) {}
    long Count() const { return long(m_items.size()); }
    // By name without regard to case, or by position from 0; else 3265.
    Property& Item(const QString& name);
    Property& Item(int index);
    Property& operator[](const QString& name) { return Item(name); }
    const Property* find(const QString& name) const;

private:
    std::vector<Property> m_items;
};

class Column {
public:
    static std::shared_ptr<Column> Create(const QString& name = {}, int type = ado::adVarWChar,
                                          long definedSize = 0);
    Column();
    QString Name() const { return m_name; }
    void SetName(const QString& name) { m_name = name; }
    int Type() const { return m_type; }
    void SetType(int type) { m_type = type; }
    long DefinedSize() const { return m_definedSize; }
    void SetDefinedSize(long size) { m_definedSize = size; }
    int Attributes() const { return m_attributes; }
    void SetAttributes(int attributes) { m_attributes = attributes; }
    int Precision() const { return m_precision; }
    void SetPrecision(int p) { m_precision = p; }
    int NumericScale() const { return m_scale; }
    void SetNumericScale(int s) { m_scale = s; }
    Catalog* ParentCatalog() const { return m_parent; }
    void SetParentCatalog(Catalog* catalog) { m_parent = catalog; }
    adox::Properties& Properties() { return m_props; }

    // Whether the column takes Null: the "Nullable" property when set, else adColNullable.
    bool nullable() const;
    bool autoIncrement() const;

private:
    QString m_name;
    int m_type = ado::adVarWChar;
    long m_definedSize = 0;
    int m_attributes = 0;
    int m_precision = 0;
    int m_scale = 0;
    Catalog* m_parent = nullptr;
    adox::Properties m_props;
};

class Columns {
public:
    long Count() const { return long(m_items.size()); }
    std::shared_ptr<Column> Item(int index) const;
    std::shared_ptr<Column> Item(const QString& name) const;
    void Append(const std::shared_ptr<Column>& column);
    void Append(const QString& name, int type = ado::adVarWChar, long definedSize = 0);
    void Delete(const QString& name);
    const std::vector<std::shared_ptr<Column>>& items() const { return m_items; }

private:
    std::vector<std::shared_ptr<Column>> m_items;
};

class Index {
public:
    static std::shared_ptr<Index> Create(const QString& name = {});
    QString Name() const { return m_name; }
    void SetName(const QString& name) { m_name = name; }
    bool PrimaryKey() const { return m_primary; }
    void SetPrimaryKey(bool v) { m_primary = v; }
    bool Unique() const { return m_unique; }
    void SetUnique(bool v) { m_unique = v; }
    bool Clustered() const { return m_clustered; }
    void SetClustered(bool v) { m_clustered = v; }
    int IndexNulls() const { return m_indexNulls; }
    void SetIndexNulls(int v) { m_indexNulls = v; }
    adox::Columns& Columns() { return m_columns; }

private:
    QString m_name;
    bool m_primary = false;
    bool m_unique = false;
    bool m_clustered = false;
    int m_indexNulls = 0;
    adox::Columns m_columns;
};

class Indexes {
public:
    long Count() const { return long(m_items.size()); }
    std::shared_ptr<Index> Item(int index) const;
    std::shared_ptr<Index> Item(const QString& name) const;
    void Append(const std::shared_ptr<Index>& index);
    void Append(const QString& name, const QString& column);
    void Delete(const QString& name);
    const std::vector<std::shared_ptr<Index>>& items() const { return m_items; }

private:
    std::vector<std::shared_ptr<Index>> m_items;
};

class Key {
public:
    static std::shared_ptr<Key> Create(const QString& name = {}, int type = adKeyPrimary);
    QString Name() const { return m_name; }
    void SetName(const QString& name) { m_name = name; }
    int Type() const { return m_type; }
    void SetType(int type) { m_type = type; }
    QString RelatedTable() const { return m_related; }
    void SetRelatedTable(const QString& table) { m_related = table; }
    adox::Columns& Columns() { return m_columns; }
    // The related column of each key column, in the same order (foreign keys).
    std::vector<QString>& RelatedColumns() { return m_relatedColumns; }

private:
    QString m_name;
    int m_type = adKeyPrimary;
    QString m_related;
    adox::Columns m_columns;
    std::vector<QString> m_relatedColumns;
};

class Keys {
public:
    long Count() const { return long(m_items.size()); }
    std::shared_ptr<Key> Item(int index) const;
    std::shared_ptr<Key> Item(const QString& name) const;
    void Append(const std::shared_ptr<Key>& key);
    void Append(const QString& name, int type, const QString& column, const QString& relatedTable = {},
                const QString& relatedColumn = {});
    void Delete(const QString& name);
    const std::vector<std::shared_ptr<Key>>& items() const { return m_items; }

private:
    std::vector<std::shared_ptr<Key>> m_items;
};

class Table {
public:
    static std::shared_ptr<Table> Create(const QString& name = {});
    Table();
    QString Name() const { return m_name; }
    void SetName(const QString& name) { m_name = name; }
    // "TABLE", "LINK", "SYSTEM TABLE", "VIEW"; empty before it is appended.
    QString Type() const { return m_type; }
    adox::Columns& Columns();
    adox::Indexes& Indexes() { return m_indexes; }
    adox::Keys& Keys() { return m_keys; }
    adox::Properties& Properties() { return m_props; }
    Catalog* ParentCatalog() const { return m_parent; }
    void SetParentCatalog(Catalog* catalog) { m_parent = catalog; }

private:
    friend class Tables;
    friend class Catalog;
    QString m_name;
    QString m_type;
    adox::Columns m_columns;
    bool m_columnsLoaded = true;
    adox::Indexes m_indexes;
    adox::Keys m_keys;
    adox::Properties m_props;
    Catalog* m_parent = nullptr;
};

class Tables {
public:
    long Count() const { return long(m_items.size()); }
    // By position from 0 or by name without regard to case; else 3265.
    std::shared_ptr<Table> Item(int index) const;
    std::shared_ptr<Table> Item(const QString& name) const;
    // Creates the table (or the link) in the database.
    void Append(const std::shared_ptr<Table>& table);
    // Drops the table, view or link; a missing name raises 3265.
    void Delete(const QString& name);
    void Delete(int index);
    void Refresh();
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    friend class Catalog;
    // Creates (table) or drops (dropName) through SQL on a server provider;
    // false when the catalog's connection is not one.
    bool changeThroughSql(const std::shared_ptr<Table>& table, const QString& dropName);
    Catalog* m_catalog = nullptr;
    std::vector<std::shared_ptr<Table>> m_items;
};

class Catalog {
public:
    static std::shared_ptr<Catalog> Create();
    Catalog();
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    std::shared_ptr<ado::Connection> ActiveConnection() const { return m_conn; }
    // An open connection, or a connection string that the catalog opens.
    void SetActiveConnection(const std::shared_ptr<ado::Connection>& connection);
    void SetActiveConnection(const QString& connectionString);

    // Creates a new, empty database file for a Jet connection string and
    // connects to it. An existing file is an error ("Database already exists.").
    std::shared_ptr<ado::Connection> Create(const QString& connectionString);

    adox::Tables& Tables();

    // The CREATE TABLE text for a table description (and the statements for
    // its further indexes), as Append runs them. With jetSql the texts are
    // Jet SQL (bracketed names, Jet types), for a provider that translates
    // them for its server.
    static QStringList CreateStatements(Table& table, bool jetSql = false);

private:
    friend class Tables;
    friend class Table;
    void loadColumns(Table& table);
    std::shared_ptr<ado::Connection> m_conn;
    adox::Tables m_tables;
};

} // namespace adox
