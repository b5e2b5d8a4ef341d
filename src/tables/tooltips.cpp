// The tooltip table: for the families whose names alone do not tell which boards they cover, the
// supported models, shown when the pointer rests on the family's check box.
#include "tables/tooltips.h"
#include <stddef.h>

// The texts are code page 932 bytes (the comment above each row shows them): the label
// "対応製品：" (supported products), then one line per model group, tab-indented, with the models
// separated by " / ". Model names follow the boards of the hardware-ID table.
const TooltipEntry kTooltips[] = {
    // product, check box, reserved, text
    // 1 CaptureStation: 対応製品： | CS-100 / CS-100A / CS-100R | CS-100/PCI / CS-100/LP
    {1,  2401, 0, "\221\316\211\236\220\273\225i\201F\r\n\tCS-100 / CS-100A / CS-100R\r\n\tCS-100/PCI / CS-100/LP"},
    // 7 MorvaneTV Suite: 対応製品： | TunerCard Pro / TunerCard Pro II | DualTuner DT-200 / DualTuner DT-200W | HDTV Box HDB-1101 / HDTV Box HDB-1102 | Hybrid Tuner HT-P1 / Hybrid Tuner HT-U2
    {7,  2407, 0, "\221\316\211\236\220\273\225i\201F\r\n\tTunerCard Pro / TunerCard Pro II\r\n\tDualTuner DT-200 / DualTuner DT-200W\r\n\tHDTV Box HDB-1101 / HDTV Box HDB-1102\r\n\tHybrid Tuner HT-P1 / Hybrid Tuner HT-U2"},
    // 9 DualTuner: 対応製品： | DT-200 / DT-200W
    {9,  2409, 0, "\221\316\211\236\220\273\225i\201F\r\n\tDT-200 / DT-200W"},
    // 10 USB Grabber: 対応製品： | UG-10 / UG-10A
    {10, 2410, 0, "\221\316\211\236\220\273\225i\201F\r\n\tUG-10 / UG-10A"},
    // 11 HDTV Box: 対応製品： | HDB-1101 / HDB-1102 | HDB-1103 / HDB-1104
    {11, 2411, 0, "\221\316\211\236\220\273\225i\201F\r\n\tHDB-1101 / HDB-1102\r\n\tHDB-1103 / HDB-1104"},
    // 12 CaptureStation XL: 対応製品： | CSXL-100 / CSXL-100A / CSXL-100E / CSXL-100W | CSXL-200 / CSXL-200A / CSXL-200E
    {12, 2412, 0, "\221\316\211\236\220\273\225i\201F\r\n\tCSXL-100 / CSXL-100A / CSXL-100E / CSXL-100W\r\n\tCSXL-200 / CSXL-200A / CSXL-200E"},
    // 13 ワンセグ TV: 対応製品： | 1SEG-U1 / 1SEG-U2 | 1SEG-U2 ミニ / 1SEG-U2 ブラック
    {13, 2413, 0, "\221\316\211\236\220\273\225i\201F\r\n\t1SEG-U1 / 1SEG-U2\r\n\t1SEG-U2 \203~\203j / 1SEG-U2 \203u\203\211\203b\203N"},
    // 16 Hybrid Tuner: 対応製品： | HT-P1 / HT-U2 | HT-U3 / HT-U4
    {16, 2416, 0, "\221\316\211\236\220\273\225i\201F\r\n\tHT-P1 / HT-U2\r\n\tHT-U3 / HT-U4"},
    {-1, 0,    0, NULL},  // sentinel
};

int CountTooltips()
{
    int n = 0;
    while (kTooltips[n].product != -1) n++;
    return n;
}
