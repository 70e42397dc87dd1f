// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIniFile.h"

#include "PrivateProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

CIniFile::CIniFile(const QString &moduleDir)
    : m_moduleDir(moduleDir.isEmpty() ? QCoreApplication::applicationDirPath() : moduleDir)
{
    if (!m_moduleDir.isEmpty() && !m_moduleDir.endsWith(QLatin1Char('/')))
        m_moduleDir += QLatin1Char('/');
    const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    m_path = m_moduleDir + baseName + QStringLiteral(".ini");
    m_section = QCoreApplication::applicationName();
    if (m_section.isEmpty())
        m_section = baseName;
}

CIniFile::~CIniFile() = default;

void CIniFile::SetPath(const QString &name)
{
    // Deliberately no cleaning: "sub/../x.ini" stays as written, like the rest of the program's
    // path handling.
    m_path = QDir::isAbsolutePath(name) ? name : m_moduleDir + name;
}

QString CIniFile::GetString(const QString &key, const std::optional<QString> &defaultValue,
                            const std::optional<QString> &section)
{
    if (section)
        m_section = *section;
    std::optional<QString> value;
    if (!m_userPath.isEmpty())
        value = PrivateProfile::readValue(m_userPath, m_section, key);
    if (!value)
        value = PrivateProfile::readValue(m_path, m_section, key);
    m_result = value.value_or(defaultValue.value_or(QString()));
    return m_result;
}

bool CIniFile::WriteString(const QString &key, const QString &value,
                           const std::optional<QString> &section)
{
    if (section)
        m_section = *section;
    if (!m_userPath.isEmpty())
        QDir().mkpath(QFileInfo(m_userPath).absolutePath());
    return PrivateProfile::writeString(writePath(), m_section, key, value);
}
