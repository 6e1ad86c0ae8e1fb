#pragma once
// CGridProperty: the settings of one column of one data grid list, one row
// of table GridProperty: caption, width, alignment, kind, display format,
// hidden and editable flags. AddtionalInfo is a text held in memory only.

#include "core/RecordTemplate.h"

class CGridProperty : public RecordTemplate<CGridProperty> {
public:
    static constexpr RecordTraits Traits{};
    static const RecordSpec<CGridProperty>& Spec();

    // Alignment codes of Align.
    enum AlignCode : std::int32_t { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };

    CGridProperty() = default;

    std::int32_t ID() const { return m_ID; }
    void SetID(std::int32_t value) { Assign(m_ID, value); }
    std::int32_t EmplID() const { return m_EmplID; }
    void SetEmplID(std::int32_t value) { Assign(m_EmplID, value); }
    QString ColName() const { return m_ColName; }
    void SetColName(const QString& value) { Assign(m_ColName, value); }
    QString ColCaption() const { return m_ColCaption; }
    void SetColCaption(const QString& value) { Assign(m_ColCaption, value); }
    std::int32_t ColWidth() const { return m_ColWidth; }
    void SetColWidth(std::int32_t value) { Assign(m_ColWidth, value); }
    std::int32_t Align() const { return m_Align; }
    void SetAlign(std::int32_t value) { Assign(m_Align, value); }
    std::int32_t ControlType() const { return m_ControlType; }
    void SetControlType(std::int32_t value) { Assign(m_ControlType, value); }
    QString ColFormat() const { return m_ColFormat; }
    void SetColFormat(const QString& value) { Assign(m_ColFormat, value); }
    // Not a column: never written, never loaded. By name it is known as
    // "AdditionalInfo".
    QString AddtionalInfo() const { return m_AddtionalInfo; }
    void SetAddtionalInfo(const QString& value) { Assign(m_AddtionalInfo, value); }
    bool Hidden() const { return m_Hidden; }
    void SetHidden(bool value) { Assign(m_Hidden, value); }
    bool Editable() const { return m_Editable; }
    void SetEditable(bool value) { Assign(m_Editable, value); }
    QString ListName() const { return m_ListName; }
    void SetListName(const QString& value) { Assign(m_ListName, value); }

    QString StrInsert() const;
    QString StrUpdate() const;

private:
    friend class RecordTemplate<CGridProperty>;

    std::int32_t m_ID = 0;
    std::int32_t m_EmplID = 0;
    QString m_ColName;
    QString m_ColCaption;
    std::int32_t m_ColWidth = 0;
    std::int32_t m_Align = 0;
    std::int32_t m_ControlType = 0;
    QString m_ColFormat;
    QString m_AddtionalInfo;
    bool m_Hidden = false;
    bool m_Editable = false;
    QString m_ListName;
};
