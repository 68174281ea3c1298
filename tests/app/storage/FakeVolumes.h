#pragma once

#include "app/storage/VolumeInfo.h"

#include <functional>
#include <string>

// Volume figures given by the test; every path lies on the volume "/data/".
class FakeVolumes : public VolumeInfo {
public:
    std::function<std::optional<VolumeFigures>(const std::string&)> onFigures;
    std::optional<VolumeKind> volumeKind = VolumeKind::Usable;
    mutable int queries = 0;

    void setMegabytes(uint64_t totalMb, uint64_t freeMb)
    {
        onFigures = [=](const std::string&) { return VolumeFigures{totalMb << 20, freeMb << 20}; };
    }

    std::optional<VolumeFigures> figures(const std::string& path) const override
    {
        ++queries;
        return onFigures ? onFigures(path) : std::nullopt;
    }
    std::string mountPoint(const std::string& path) const override { return path.empty() ? "" : "/data/"; }
    std::optional<VolumeKind> kind(const std::string&) const override { return volumeKind; }
};
