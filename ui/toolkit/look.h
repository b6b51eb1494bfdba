#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

// The Traditional Chinese UI font of the design (PMingLiU / 新細明體), mapped to its free
// counterpart "AR PL UMing TW"; the default font where that is missing.
QFont MingLiU(double pointSize, bool bold = false);
// Tahoma of the design, mapped to the default sans font.
QFont Tahoma(double pointSize, bool bold = false);
// An icon drawn from one of the program's own SVG resources (":/resources/<name>.svg").
QIcon SvgIcon(const QString& name);

class QLineEdit;
// Lets an input hold a text of any length: Qt cuts a line edit's text at 32,767 characters,
// and a value cut on display would be saved cut.
void KeepWhole(QLineEdit* input);
