#pragma once

#include <QHash>
#include <QString>

// The program's version record: string values under query paths of the form
// "\StringFileInfo\<language and code page, eight hex digits>\<key>". It is
// compiled into the program, as there are no executable version resources here.
using VersionRecord = QHash<QString, QString>;

// US English, code page 1252: the string table "040904E4".
constexpr unsigned int kVersionStringTable = 0x040904E4;

// The record every executable of this project carries.
VersionRecord compiledVersionRecord();

// Replaces the record that fileVersionString() reads (an empty one stands for an
// executable without a version record); resetVersionRecord() restores the compiled one.
void setVersionRecord(const VersionRecord &record);
void resetVersionRecord();

// The query path of key in the string table languageCodePage.
QString versionQueryPath(const QString &key, unsigned int languageCodePage);

// The string key of the string table languageCodePage in the version record of the
// executable at executablePath; empty when the file, the record or the value is absent.
QString fileVersionString(
    const QString &executablePath, const QString &key, unsigned int languageCodePage);
