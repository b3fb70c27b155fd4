#include "inspect/PreviewSession.h"

#include "platform/FileLayer.h"

#include <algorithm>

bool CPreviewSession::Open(CFileSystem& fs, const OutputNames& names, std::string& fault)
{
    if (!pair_.Open(fs, names, fault))
        return false;
    StepBox reach;
    if (!ModelReach(pair_, reach)) {
        fault = "Error: Could not read " + names.animationPath;
        return false;
    }
    modelFraming_ = FrameReach(reach);
    span_ = SpanLine(reach);
    wholeCube_ = false;
    zoom_ = ViewZoom{};
    frame_ = -1;
    frameBytes_.clear();
    return true;
}

bool CPreviewSession::SelectFrame(int frame)
{
    if (frame == frame_ || frame < 0 || static_cast<std::uint32_t>(frame) >= std::max<std::uint32_t>(FrameCount(), 1))
        return false;
    frame_ = frame;
    if (FrameCount() == 0 || !pair_.ReadFrames(static_cast<std::uint32_t>(frame), 1, frameBytes_))
        frameBytes_.assign(std::size_t{pair_.VertexCount()} * VertexBytes(pair_.Format()), 0);
    return true;
}

int CPreviewSession::NextFrame() const
{
    return FrameCount() > 0 ? (frame_ + 1) % static_cast<int>(FrameCount()) : 0;
}

void CPreviewSession::ShowWholeCube(bool whole)
{
    wholeCube_ = whole;
    zoom_ = ViewZoom{};
}

void CPreviewSession::ResetView()
{
    view_ = ViewAngles{};
    ShowWholeCube(false);
}

bool CPreviewSession::Draw(int size, PreviewImage& image) const
{
    if (frame_ < 0 || frameBytes_.size() < std::size_t{pair_.VertexCount()} * VertexBytes(pair_.Format()))
        return false;
    DrawFrame(pair_.Triangles(), frameBytes_.data(), pair_.VertexCount(), view_, size, image,
              Zoomed(wholeCube_ ? WholeCube() : modelFraming_, zoom_), 0, pair_.Format());
    return true;
}

std::string CPreviewSession::FrameText(int frame) const
{
    const int frames = static_cast<int>(FrameCount());
    return frames > 0 ? "Frame " + std::to_string(frame) + " (" + std::to_string(frame + 1) + " of " +
                            std::to_string(frames) + ")"
                      : "No frames";
}
