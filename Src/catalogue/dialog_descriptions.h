// The printer-dialog pages of the device settings that the job reads back
// from the ticket. Each builder appends its fixed control sequence.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/dialog_controls.h"

void AddGui_AutoCut(CustomGuiList& list, int32_t checkDefault);
void AddGui_DryTimePerScan(CustomGuiList& list, double value, double minimum, double maximum, double step);
void AddGui_LogicalSeek(CustomGuiList& list);
// An empty default stands for "IDMimakiPuPaperSuctionMode_Pu1".
void AddGui_PaperSuction(CustomGuiList& list, std::string defaultChoice);
void AddGui_PatternPrinting(CustomGuiList& list);
void AddGui_PrintEndDryTime(CustomGuiList& list, int32_t value, int32_t minimum, int32_t maximum, int32_t step);
void AddGui_PulledBackPrint(CustomGuiList& list);
void AddGui_ClearInk(CustomGuiList& list, bool withEmboss);
void AddGui_PrimerInk(CustomGuiList& list);
void AddGui_UVCuring(CustomGuiList& list, int32_t lampDefault);
