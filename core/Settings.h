#pragma once
// Reading and changing single settings of the store the program holds
// (gDefPropertys) by key, for the forms that each need a few of them.

#include <QString>
#include <memory>

class CDefProperty;

// The setting's row, or null when there is no store or no such row.
std::shared_ptr<CDefProperty> Setting(const QString& key);

// The setting's value; error 91 when the store has no such row, so that a
// step reading it fails the way reading a missing row does.
QString SettingValue(const QString& key);

// The setting's value, or an empty text when there is no store or no such row.
QString SettingText(const QString& key);

// Changes a setting in memory; it is written with all settings when the main
// window closes.
void SetSetting(const QString& key, const QString& value);

// A value the program itself keeps in a setting (a count, a time), which
// other desktops sharing the store keep too: the row takes it and is
// written at once. Whether or not that write succeeds, the row is not left
// for the save at close, which would put this value over a newer one that
// another desktop stored meanwhile; the user's own changes are.
void SaveSettingNow(CDefProperty& row, const QString& value);
// The same for a value the store already holds (an engine wrote it): the
// row takes it without writing anything.
void TakeStoredSetting(CDefProperty& row, const QString& value);
