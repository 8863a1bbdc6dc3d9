#include "CDDVDBurner2.h"

#include "LibburnRecorder.h"

namespace {

CDDVDBurner2::Factory& currentFactory()
{
    static CDDVDBurner2::Factory factory;
    return factory;
}

} // namespace

CDDVDBurner2::CDDVDBurner2(QObject* parent)
    : QObject(parent)
{
}

CDDVDBurner2::~CDDVDBurner2() = default;

std::unique_ptr<CDDVDBurner2> CDDVDBurner2::create()
{
    if (const auto& factory = currentFactory())
        return factory();
    return std::make_unique<LibburnRecorder>();
}

CDDVDBurner2::Factory CDDVDBurner2::setFactory(Factory factory)
{
    return std::exchange(currentFactory(), std::move(factory));
}
