#include "ui/prefs/PrefsMemoryLimitView.h"

#include "core/SettingsRegistration.h"
#include "core/Utils.h"
#include "platform/UserDefaults.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace {

// The slider works in tenths of a GB.
constexpr double kStepsPerGB = 10.0;

} // namespace

PrefsMemoryLimitView::PrefsMemoryLimitView(std::uint64_t physicalMemoryBytes, QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)), textFieldTotalSystemMemory_(new QLabel(this)),
      textFieldMaxMemSize_(new QLabel(this))
{
    if (physicalMemoryBytes == 0)
        physicalMemoryBytes = SettingsRegistration::currentEnvironment(QString()).physicalMemoryBytes;
    const float memory = float(physicalMemoryBytes);
    textFieldTotalSystemMemory_->setObjectName(QStringLiteral("textFieldTotalSystemMemory"));
    textFieldTotalSystemMemory_->setText(
        QStringLiteral("The total system memory is: %1").arg(Utils::formatMiBytes(double(memory))));

    maximum_ = std::max(kMinimumGB, double(memory) / double(1ull << 30) * 0.75);
    tickMarks_ = int(2.0 * (maximum_ - kMinimumGB) + 1.0);
    slider_->setObjectName(QStringLiteral("maxMemLimit"));
    slider_->setRange(int(std::lround(kMinimumGB * kStepsPerGB)), int(std::lround(maximum_ * kStepsPerGB)));
    slider_->setSingleStep(1);
    slider_->setPageStep(5);
    slider_->setTickPosition(QSlider::TicksBelow);
    if (tickMarks_ > 1)
        slider_->setTickInterval(
            std::max(1, int(std::lround((slider_->maximum() - slider_->minimum()) / double(tickMarks_ - 1)))));
    slider_->setValue(
        int(std::lround(UserDefaults::standard().floatForKey(QStringLiteral("maxMemLimit")) * kStepsPerGB)));
    slider_->setMinimumWidth(300);

    textFieldMaxMemSize_->setObjectName(QStringLiteral("textFieldMaxMemSize"));
    textFieldMaxMemSize_->setMinimumWidth(60);
    updateSelectedMaxMemTextField();

    auto* low = new QLabel(QStringLiteral("%1 GB").arg(kMinimumGB, 0, 'f', 1), this);
    auto* high = new QLabel(QStringLiteral("%1 GB").arg(maximum_, 0, 'f', 1), this);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(slider_, 0, 0, 1, 2);
    layout->addWidget(textFieldMaxMemSize_, 0, 2);
    layout->addWidget(low, 1, 0, Qt::AlignLeft);
    layout->addWidget(high, 1, 1, Qt::AlignRight);
    layout->addWidget(textFieldTotalSystemMemory_, 2, 0, 1, 3);

    connect(slider_, &QSlider::valueChanged, this, [this] {
        updateSelectedMaxMemTextField();
        // Dragging shows the value only; keys and clicks on the groove move
        // the slider without a drag and store at once.
        if (!slider_->isSliderDown()) commitNewValues();
    });
    connect(slider_, &QSlider::sliderReleased, this, &PrefsMemoryLimitView::commitNewValues);
}

double PrefsMemoryLimitView::value() const
{
    return slider_->value() / kStepsPerGB;
}

void PrefsMemoryLimitView::updateSelectedMaxMemTextField()
{
    textFieldMaxMemSize_->setText(QStringLiteral("%1 GB").arg(value(), 0, 'f', 1));
}

void PrefsMemoryLimitView::commitNewValues()
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setFloat(float(value()), QStringLiteral("maxMemLimit"));
    defaults.setFloat(float(value() * 0.5), QStringLiteral("maxMemResume"));
}
