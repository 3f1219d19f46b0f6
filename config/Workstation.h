#pragma once

#include <QDateTime>
#include <QString>

// The workstation, as error reports and logs name it.
QString LocalComputerName();  // host name, at most 15 characters, blanks removed
QString LocalUserName();      // login name in upper case; "UNKNOWN" when it cannot be had
QString LocalIpAddress();     // last IPv4 address of the host name; empty when it does not resolve

// The Gregorian calendar year of a date-time value.
int YearOfDate(const QDateTime& value);
