#pragma once
// TSettingsPage: the widgets of the Settings page (TS_Settings) over a
// TSettingsPageModel. Every widget carries its component name; user actions go to the
// model, and refresh() puts the model's state back on the widgets. The model and the
// Apply and Default actions belong to the main window.

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QScrollArea;
class QSlider;

namespace qm {

class TExceptionListsBox;
class TImageRegion;
class TSettingsPageModel;

class TSettingsPage : public QWidget {
    Q_OBJECT
  public:
    TSettingsPage(TSettingsPageModel& model, QWidget* parent);

    std::function<void()> onApply;
    std::function<void()> onDefault;
    // Whether the page is the one shown (the level rule only acts there).
    std::function<bool()> pageVisible;

    void refresh();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QWidget* buildSizeAndCompression(QWidget* parent);
    QWidget* buildEncryptionAndRestore(QWidget* parent);
    QWidget* buildRevisionAndReminder(QWidget* parent);
    QWidget* buildAutoFeatures(QWidget* parent);
    bool shown() const;

    TSettingsPageModel& model_;
    QScrollArea* scroll_ = nullptr;
    QWidget* panel_ = nullptr;
    QRadioButton* winSmall_ = nullptr;
    QRadioButton* winLarge_ = nullptr;
    QRadioButton* noCompression_ = nullptr;
    QRadioButton* single_ = nullptr;
    QRadioButton* multiple_ = nullptr;
    QSlider* level_ = nullptr;
    QCheckBox* encryption_ = nullptr;
    QComboBox* keySize_ = nullptr;
    TImageRegion* keySizeDrop_ = nullptr;
    QRadioButton* replaceAll_ = nullptr;
    QRadioButton* replaceOld_ = nullptr;
    QCheckBox* log_ = nullptr;
    QCheckBox* revision_ = nullptr;
    QLineEdit* revisions_ = nullptr;
    TImageRegion* revUp_ = nullptr;
    TImageRegion* revDown_ = nullptr;
    QCheckBox* reminder_ = nullptr;
    QLineEdit* reminderDays_ = nullptr;
    TImageRegion* remUp_ = nullptr;
    TImageRegion* remDown_ = nullptr;
    QCheckBox* exeptList_ = nullptr;
    QCheckBox* saveSel_ = nullptr;
    QCheckBox* autoStart_ = nullptr;
    QCheckBox* autoLaunch_ = nullptr;
    QCheckBox* updater_ = nullptr;
    TExceptionListsBox* exceptions_ = nullptr;
    bool refreshing_ = false;
};

} // namespace qm
