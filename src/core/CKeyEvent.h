#pragma once
// One key event of a trace: a splice, connector, reflection or the fibre end. Copied by value.
// Distances are in km, losses and reflectance in dB, attenuation in dB/km; text is UTF-8.

#include <string>

class CKeyEvent {
public:
    CKeyEvent() = default;
    virtual ~CKeyEvent() = default;
    CKeyEvent(const CKeyEvent&) = default;
    CKeyEvent& operator=(const CKeyEvent&) = default;

    // Index of the matching record in the signal's file object; -1 when it has none yet.
    int GetFileIndex() const { return fileIndex_; }
    void SetFileIndex(int index) { fileIndex_ = index; }
    // 0 loss (non-reflective), 1 reflective, 2 other.
    int GetType() const { return type_; }
    void SetType(int type) { type_ = ClampCode(type); }
    // 0 ordinary, 1 start of the trace, 2 end of the fibre.
    int GetMarker() const { return marker_; }
    void SetMarker(int marker) { marker_ = ClampCode(marker); }
    // How the loss was measured: 0 two-point, 1 least squares, 2 other.
    int GetMethod() const { return method_; }
    void SetMethod(int method) { method_ = ClampCode(method); }
    // Added or moved by the user.
    bool GetFlag() const { return flag_; }
    void SetFlag(bool flag) { flag_ = flag; }
    float GetPosition() const { return position_; }
    void SetPosition(float km) { position_ = km; }
    float GetLoss() const { return loss_; }
    void SetLoss(float dB) { loss_ = dB; }
    double GetReflectance() const { return reflectance_; }
    void SetReflectance(double dB) { reflectance_ = dB; }
    float GetAttenuation() const { return attenuation_; }
    void SetAttenuation(float dBPerKm) { attenuation_ = dBPerKm; }
    const std::string& GetComment() const { return comment_; }
    void SetComment(std::string comment) { comment_ = std::move(comment); }

    // False where the file holds its "no value" marker, one of the two most negative stored
    // numbers (an instrument that measured no reflectance writes that): shown as "--".
    bool HasLoss() const;
    bool HasReflectance() const;
    bool HasAttenuation() const;

    // "%.3f" texts for the event list and the printout; "--" where the value does not apply
    // or the file holds none.
    std::string GetPositionText() const;
    std::string GetLossText() const;
    std::string GetAttenuationText() const;
    std::string GetReflectanceText() const;
    // "Начало", "Конец", "Потеря", "Отражение" or "Другое".
    std::string GetTypeName() const;
    // Icon in the event image strips: 0 start, 1 end, 2 reflection or other, 3 gain, 4 loss.
    int GetImageIndex() const;
    // -1 when this position is smaller or either is not a number, 0 when equal, 1 when greater.
    int ComparePosition(const CKeyEvent& other) const;

private:
    // The codes index name and icon tables, so they stay within 0..2; the file formats never
    // produce anything else, and a larger value means "other".
    static int ClampCode(int code) { return code < 0 ? 0 : (code > 2 ? 2 : code); }

    int fileIndex_ = -1;
    int type_ = 0;
    int marker_ = 0;
    int method_ = 0;
    bool flag_ = false;
    float position_ = 0.0f;
    float loss_ = 0.0f;
    double reflectance_ = 0.0;
    float attenuation_ = 0.0f;
    std::string comment_;
};
