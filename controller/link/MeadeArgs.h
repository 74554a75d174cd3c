#pragma once
// Arguments of the Meade set commands a planetarium program sends. Each argument is read from
// its own command, after the command letters and one optional blank, so both the spaced layout
// of older programs (":Sr 05:30:00#") and the standard one (":Sr05:30:00#", several commands in
// one write) give the same value. Anything that is not a well-formed position gives nothing,
// and the caller answers the Meade "0" (rejected).
#include <QString>
#include <optional>

namespace orvan::meade {

// The text after the command letters that end just before `pos`: one blank skipped, cut at
// the closing '#', trailing blanks removed.
QString ArgumentAt(const QString& text, int pos);

// "HH:MM:SS" (seconds may carry decimals) or "HH:MM.T" -> seconds of time, 0 <= ra < 86400.
std::optional<double> ParseRa(const QString& arg);
// "sDD*MM:SS", "sDD*MM", sign optional; '*', ':' and the degree mark as separators
// -> arcseconds, -324000..+324000.
std::optional<double> ParseDec(const QString& arg);
// "sDDD*MM*SS", "sDDD*MM:SS", "sDDD*MM" -> arcseconds as signed, |value| <= 360 degrees.
// The Meade longitude counts westward; a negative value is east of Greenwich.
std::optional<double> ParseLongitude(const QString& arg);
// "sDD*MM*SS", "sDD*MM" -> arcseconds, -90..+90 degrees.
std::optional<double> ParseLatitude(const QString& arg);
// "sHH.H" -> hours to add to local time to get universal time, -14..+14.
std::optional<double> ParseUtcOffset(const QString& arg);

}  // namespace orvan::meade
