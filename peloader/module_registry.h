// The images loaded right now, for the stubs that answer the module's
// questions about memory and modules (VirtualQuery, VirtualProtect,
// GetProcAddress).
#pragma once

namespace peloader {

class MappedImage;
class ExportTable;

void RegisterModule(MappedImage* image, const ExportTable* exports);
void UnregisterModule(const MappedImage* image);

// The loaded image whose address range holds `address`, or null.
MappedImage* ImageContaining(const void* address);
// The exports of the image loaded at `base` (a module handle), or null.
const ExportTable* ExportsOfModule(const void* base);

}  // namespace peloader
