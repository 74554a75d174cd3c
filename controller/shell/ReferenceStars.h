#pragma once
// The reference-star file: one record per line, "name,,,position" where the position reads
// "赤経 05h55m10.31s 赤緯 +07°24'25.4" (J2000)". A record without a position is listed as it
// stands (the zenith entry, captions). The file is shipped in the Windows Japanese code page;
// a UTF-8 file is read too.
#include <QByteArray>
#include <QString>
#include <vector>

namespace orvan {

struct ReferenceStar {
  QString name;
  bool hasPosition = false;
  double ra = 0;   // seconds of time, J2000
  double dec = 0;  // arcseconds, J2000
};

struct ReferenceStarFile {
  std::vector<ReferenceStar> stars;
  int skipped = 0;  // lines that are not records (too few fields, a position that does not read)
};

ReferenceStarFile ParseReferenceStars(const QByteArray& bytes);
// The position text of field 3; false when it does not hold a position in range.
bool ParseStarPosition(const QString& field, double& ra, double& dec);

}  // namespace orvan
