#pragma once

// What identification found out about the device's memory and pace: no device, a ZORLA below
// software 1.024, a later ZORLA, or a VELMAR. The numbers are the ones the device family uses;
// MemoryLayout holds what each class means for memory and progress.
enum class DeviceClass { None = 0, ZorlaOld = 1, Zorla = 4, Velmar = 8 };
