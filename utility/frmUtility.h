#pragma once
// The utility's one window: the settings of both programs on tabs, the E-Vexil parameter
// programming and the dome test panel, with OK, Write and Cancel at its foot.
//
// Saving writes only what the observer changed since the fields were loaded, in one locked
// read-modify-write: whatever the controller wrote meanwhile (its layout, the dome alignment,
// a site set by a planetarium program) keeps the file's text unless the observer edited that
// very field. Every field is checked first; one in error writes nothing and says why beside it.
#include "EVexilProgrammer.h"
#include "UtilitySettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QWidget>
#include <array>
#include <initializer_list>
#include <memory>

namespace orvan {

class DomeTestPanel;
class SingleInstance;

class frmUtility : public QWidget {
  Q_OBJECT
 public:
  explicit frmUtility(QString programFolder, QWidget* parent = nullptr);
  ~frmUtility() override;

  // The start: false when another utility runs in this program folder (after the notice).
  bool Form_Load();
  // Fills every field from the file and remembers what it loaded.
  void UtilityRead();
  // Checks every field and writes what changed. False when a field is in error (nothing is
  // written, the message stands beside it) or the file could not be written.
  bool UtilityWrite();
  void btnOK_Click(int index);
  void ControllerSelect(int index);
  void CommPortSet();
  void btnConnect_Click();

  QString iniPath() const { return iniPath_; }
  DomeTestPanel* domePanel() const { return domePanel_; }
  EVexilProgrammer& programmer() { return *programmer_; }
  // The message shown beside a field, empty when none (tests, and the red label's text).
  QString fieldError(const QString& field) const;

  // Controls, named as the window has always named them.
  QTabWidget* tabs = nullptr;
  std::array<QLineEdit*, 8> txtLocation{};
  std::array<QRadioButton*, 2> optNS{}, optEW{}, optMount{}, optVolt{}, optEPOCH{};
  std::array<QRadioButton*, 3> optController{}, optRate{};
  QComboBox* cmbTelescope = nullptr;
  QComboBox* cmbComm = nullptr;
  QComboBox* cmbCommPort = nullptr;
  QComboBox* cmbVCommPort = nullptr;
  QComboBox* cmbQuarnport = nullptr;
  QLabel* Label7 = nullptr;
  QCheckBox* chkBackLash = nullptr;
  QLineEdit* txtOverRun = nullptr;
  QLineEdit* txtDelayTime = nullptr;
  QLabel* lblOverRun = nullptr;
  QLabel* lblDelayTime = nullptr;
  QLineEdit* txtLoopTimer = nullptr;
  QCheckBox* chkASCOM = nullptr;
  QCheckBox* chkAlpaca = nullptr;
  std::array<QLineEdit*, 2> txtParkAzAlt{};
  std::array<QLineEdit*, 9> txtDomeParameter{};
  QCheckBox* chkUpDown = nullptr;
  QCheckBox* chkZswc = nullptr;
  QCheckBox* chkDomeAuto = nullptr;
  QLineEdit* txtDomeLoopTimer = nullptr;
  std::array<QCheckBox*, 3> chkLocalData{};
  std::array<QCheckBox*, 2> chkSensor{};
  QCheckBox* chkRainClose = nullptr;
  QLineEdit* txtExec = nullptr;
  QWidget* Frame6 = nullptr;  // the dome controller choice
  std::array<QPushButton*, 3> btnOK{};
  QLabel* lblSaveError = nullptr;
  // E-Vexil programming.
  QPushButton* btnConnect = nullptr;
  std::array<QWidget*, 3> FrameVexil{};
  std::array<QLineEdit*, 2> txtEncMax{};
  std::array<QLineEdit*, 4> txtSlowDown{};
  QLineEdit* txtRate = nullptr;
  QLineEdit* txtPercent = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblVexilMessage = nullptr;
  // The "送信" buttons by what they write: 0 counts per turn, 1 sidereal frequency, 2 slow-down
  // counts; each sits in its own frame (the frequency frame is the last).
  std::array<QPushButton*, 3> Command3{};

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildSetupTab();
  void buildDomeTab();
  void buildVexilTab();
  void buildOtherTab();
  void fitScreen();
  QWidget* withError(QWidget* field);
  QWidget* errorsOf(std::initializer_list<QWidget*> fields);
  QLabel* errorLabel(QWidget* field);
  UtilityFields toFields() const;
  void fromFields(const UtilityFields& f);
  void showErrors(const QList<FieldError>& errors);
  void setBackLashEnabled(bool on);
  void chkASCOM_MouseUp();
  // E-Vexil tab.
  void vexilDisconnected();
  void Command3_Click(int index);
  void Ratecal();
  void clearVexilFields(bool all);
  void vexilMessage(const QString& text);

  QString programFolder_;
  QString iniPath_;
  std::unique_ptr<SingleInstance> instance_;
  std::unique_ptr<EVexilProgrammer> programmer_;
  DomeTestPanel* domePanel_ = nullptr;
  UtilityFields loadedFields_;
  QList<IniEntry> loaded_;
  QHash<QString, QLabel*> errorLabels_;
  bool closing_ = false;
};

}  // namespace orvan
