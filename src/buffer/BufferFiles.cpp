#include "buffer/BufferFiles.h"

#include "app/Steps.h"
#include "buffer/BufferCommands.h"
#include "buffer/FileAccess.h"
#include "buffer/MicrochipLayout.h"
#include "devices/ConfigEditor.h"

#include <algorithm>

namespace ravelin {
namespace {

// Far beyond any Intel HEX file of a 12288-word buffer; a larger file is not
// read into memory.
constexpr std::size_t HexFileLimit = 64u << 20;

void showBox(Core &core, MessageKind kind, std::string text)
{
    MessageBoxRequest box;
    box.kind = kind;
    box.text = std::move(text);
    core.host.messageBox(box);
}

void saveFailed(Core &core, const std::string &name, const std::string &why)
{
    showBox(core, MessageKind::Error, "Could Not Save Buffer....\n" + name + ": " + why);
}

void loadFailed(
    Core &core, LoadReporting reporting, const std::string &name, const std::string &why)
{
    if (reporting == LoadReporting::Boxes)
        showBox(core, MessageKind::Error, "Could Not Load Buffer....\n" + name + ": " + why);
}

void showProgress(Core &core, std::string caption)
{
    core.ui.setCaption(ControlId::StaticText2, std::move(caption));
    core.ui.show(ControlId::StaticText2);
    core.host.pumpMessages();
}

// A file in Microchip's layout for the selected device, which the user wants
// loaded as such: the shape to map it with.
std::optional<ChipLayout> microchipLayoutChosen(Core &core, const HexImage &image)
{
    const std::optional<ChipLayout> layout = selectedLayout(core.st.device);
    if (!layout || !usesMicrochipLayout(image, *layout))
        return std::nullopt;
    MessageBoxRequest box;
    box.kind = MessageKind::Confirmation;
    box.buttons = MessageButtons::YesNo;
    box.defaultNo = true;
    box.text = "This File Uses the Microchip Layout....\n"
               "Load Its Fuses, ID and EEprom Data Where They Belong ?";
    if (core.host.messageBox(box) != MessageAnswer::Yes)
        return std::nullopt;
    return layout;
}

} // namespace

std::vector<std::uint8_t> binaryImage(const BufferWords &buffer)
{
    std::vector<std::uint8_t> bytes(BinaryFileBytes);
    for (std::size_t word = 0; word < FileImageWords; ++word) {
        bytes[2 * word] = static_cast<std::uint8_t>(buffer[word] & 0xFF);
        bytes[2 * word + 1] = static_cast<std::uint8_t>(buffer[word] >> 8);
    }
    return bytes;
}

void applyBinaryImage(std::span<const std::uint8_t> bytes, BufferWords &buffer)
{
    const std::size_t count = std::min(bytes.size(), BinaryFileBytes);
    for (std::size_t k = 0; k < count; ++k) {
        std::uint16_t &word = buffer[k / 2];
        word = k % 2 == 0 ? static_cast<std::uint16_t>((word & 0xFF00) | bytes[k])
                          : static_cast<std::uint16_t>((word & 0x00FF) | bytes[k] << 8);
    }
}

void SaveBufferToHexFile(Core &core, const std::string &name)
{
    showProgress(core, "Saving Buffer to Hex File....");
    const std::string text = formatIntelHex(core.st.buffer.DeviceBuffer);
    const auto *data = reinterpret_cast<const std::uint8_t *>(text.data());
    const std::string why = writeFileReplacing(name, {data, text.size()});
    core.ui.hide(ControlId::StaticText2);
    if (!why.empty())
        saveFailed(core, name, why);
}

void SaveBufferToBinaryFile(Core &core, const std::string &name)
{
    const std::string why = writeFileReplacing(name, binaryImage(core.st.buffer.DeviceBuffer));
    if (!why.empty())
        saveFailed(core, name, why);
}

bool LoadBufferFromHexFile(Core &core, const std::string &name, LoadReporting reporting)
{
    showProgress(core, "Loading Buffer from Hex File....");
    if (core.st.closing) {
        core.ui.hide(ControlId::StaticText2);
        return false;
    }
    const FileBytes file = readFileBytes(name, HexFileLimit);
    if (!file.error.empty() || file.truncated) {
        core.ui.hide(ControlId::StaticText2);
        loadFailed(core, reporting, name,
            file.truncated ? "larger than any Intel HEX file of the buffer" : file.error);
        return false;
    }
    // The end-record flag is the stop request, as for the packet exchange.
    core.st.exchange.StopRequest = 0;
    const std::string_view text(
        reinterpret_cast<const char *>(file.bytes.data()), file.bytes.size());
    const HexParse parse = parseIntelHex(text);
    core.ui.hide(ControlId::StaticText2);
    if (parse.error) {
        if (reporting == LoadReporting::Boxes) {
            showBox(core, MessageKind::Error,
                "Invalid Hex File....\nLine " + std::to_string(parse.error->line) + ": "
                    + parse.error->what);
        }
        return false;
    }
    std::size_t ignored = parse.image.wordsOutside;
    if (const std::optional<ChipLayout> layout = microchipLayoutChosen(core, parse.image)) {
        const ChipContents contents = readMicrochipImage(parse.image, *layout);
        applyContents(contents, core.st.buffer.DeviceBuffer, core.st.device.ConfigWord);
        if (contents.config) {
            ShowConfigWord(core);
            ShowFuseData(core);
        }
        ignored = contents.wordsWithoutPlace;
    } else {
        applyHexImage(parse.image, core.st.buffer.DeviceBuffer, core.st.device.WordMask);
    }
    if (parse.image.endRecord)
        core.st.exchange.StopRequest = 1;
    if (ignored > 0) {
        showBox(core, MessageKind::Warning,
            "Data Outside the Buffer Was Ignored....\n" + std::to_string(ignored)
                + (ignored == 1 ? " word" : " words"));
    }
    return true;
}

bool LoadBufferFromBinaryFile(Core &core, const std::string &name, LoadReporting reporting)
{
    const FileBytes file = readFileBytes(name, BinaryFileBytes);
    if (!file.error.empty()) {
        loadFailed(core, reporting, name, file.error);
        return false;
    }
    applyBinaryImage(file.bytes, core.st.buffer.DeviceBuffer);
    return true;
}

bool loadBufferFile(Core &core, const std::string &name, LoadReporting reporting)
{
    const bool loaded = core.st.buffer.fileType != 0
        ? LoadBufferFromHexFile(core, name, reporting)
        : LoadBufferFromBinaryFile(core, name, reporting);
    if (loaded) {
        core.st.buffer.lastLoadedFile = name;
        core.ui.setCaption(ControlId::StaticText1, "Last File Loaded in Buffer=" + name);
    } else {
        // A file that did not load must not become the last file of the settings.
        core.ui.OpenDialog1.fileName = core.st.buffer.lastLoadedFile;
    }
    return loaded;
}

void ApplyFileType(Core &core)
{
    const int type = core.st.buffer.fileType;
    if (type == 0)
        core.ui.setCaption(ControlId::File_But, "Binary File");
    else if (type == 1)
        core.ui.setCaption(ControlId::File_But, "Hex File");
    for (FileDialogState *dialog : {&core.ui.OpenDialog1, &core.ui.SaveDialog1}) {
        dialog->defaultExt = type == 0 ? "Bin" : "Hex";
        dialog->filterIndex = type == 0 ? 1 : 2;
    }
}

void File_ButClick(Core &core)
{
    BusyStep(core);
    core.ui.show(ControlId::File_Type);
}

void File_TypeClick(Core &core, int index)
{
    core.st.buffer.fileType = index;
    ApplyFileType(core);
    IdleStep(core);
}

void Save_ButClick(Core &core)
{
    core.ui.setFormEnabled(false);
    if (const std::optional<std::string> name = core.host.runSaveDialog(core.ui.SaveDialog1)) {
        // The format follows the button's caption, as the user last saw it.
        if (core.ui[ControlId::File_But].caption == "Binary File")
            SaveBufferToBinaryFile(core, *name);
        else
            SaveBufferToHexFile(core, *name);
    }
    core.ui.setFormEnabled(true);
}

void Load_ButClick(Core &core)
{
    core.ui.setFormEnabled(false);
    if (const std::optional<std::string> name = core.host.runOpenDialog(core.ui.OpenDialog1))
        loadBufferFile(core, *name, LoadReporting::Boxes);
    ComputeChecksum(core);
    core.ui.setFormEnabled(true);
}

} // namespace ravelin
