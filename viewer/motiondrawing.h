#pragma once

#include "model/reducedmodel.h"
#include "render/modelbuffers.h"
#include "viewer/arrivalarrays.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

struct MeshModel;

// Drawing a large model while the camera moves: a worker makes the model's
// reduced copy (buildReducedModel) once the model is on the screen, and
// while the camera moves the view draws the copy; once the camera has been
// still for kSettleMs the view draws the whole model again. A model of no
// more triangles than the limits' threshold has no copy and is always drawn
// whole, as is every model while the switch (View > Fast Drawing While
// Moving) is off.
//
// A model read with its copy made already shows the copy first: every frame
// draws it until the whole model's arrays, filled on a worker, have come.
//
// The copy's buffers live in the view's context: the view releases them
// (buffers()) before telling of another model.
class MotionDrawing : public QObject {
    Q_OBJECT
public:
    // The camera is taken to have stopped this long after its last move.
    static constexpr int kSettleMs = 300;

    explicit MotionDrawing(QObject* parent = nullptr);
    ~MotionDrawing() override;
    MotionDrawing(const MotionDrawing&) = delete;
    MotionDrawing& operator=(const MotionDrawing&) = delete;

    // The switch; on at first.
    bool enabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    // Which models get a copy and how small it is (tuning.h's numbers at
    // first); for the next model.
    void setLimits(const ReductionLimits& limits) { m_limits = limits; }
    const ReductionLimits& limits() const { return m_limits; }

    // The view shows model now (null: none). The old model's copy is
    // dropped, its worker stopped first, so that the old model can go; the
    // new model's copy is made on a worker. Call with the copy's buffers
    // released.
    void modelChanged(const MeshModel* model);
    // The view shows model now with its copy, made as the model was read
    // (now this object's, its buffers already in buffers()): the copy is
    // drawn in every frame until fillWhole, run on a worker, has given the
    // whole model's arrays to onWholeArrays. The old model's workers are
    // stopped first, as above.
    void modelChangedWithCopy(const MeshModel* model, MeshModel* copy, ArraysFiller fillWhole);

    // The camera moved: the next frame draws the copy, and so does every
    // frame of a move after it until the camera has been still for
    // kSettleMs; then onSettled runs, when the last frame drew the copy.
    // Frames for anything else (a command, an expose) draw the model, so
    // that a camera shows the same picture whatever came before.
    void moved();
    // What the next frame draws in place of the model: the copy for a frame
    // of a move (the switch on and the copy made), else null: the model.
    const MeshModel* modelToDraw() const;
    // A frame was drawn, from the copy or not.
    void frameDrawn(bool fromCopy);

    ModelBuffers& buffers() { return m_buffers; }
    // The copy is made (null when none is, or the model has none).
    const MeshModel* reducedModel() const { return m_reduced; }
    // The copy stands in for the model until the whole model's arrays come.
    bool wholePending() const { return m_wholePending; }
    // The camera has moved within the last kSettleMs.
    bool moving() const { return m_settle.isActive(); }
    // The last frame drew the copy.
    bool lastFrameReduced() const { return m_lastFrameReduced; }
    // Frames drawn from the copy so far.
    unsigned long reducedFrames() const { return m_reducedFrames; }

    // After a move, once the camera is still, when the last frame drew the
    // copy: the view draws the whole model.
    std::function<void()> onSettled;
    // The whole model's arrays have come (see modelChangedWithCopy): the
    // view hands them to its buffers and draws the whole model.
    std::function<void(ModelArrays arrays)> onWholeArrays;

signals:
    // The copy of the model on the screen has been made.
    void reducedModelReady();

private:
    void stopWorker();
    void dropCopy();
    void adopt(unsigned long generation);
    void adoptWhole(unsigned long generation);

    bool m_enabled = true;
    ReductionLimits m_limits;
    QTimer m_settle;
    ModelBuffers m_buffers;
    MeshModel* m_reduced = nullptr; // the copy of the model on the screen
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<MeshModel*> m_made{nullptr};        // the worker's copy, until adopted
    std::atomic<ModelArrays*> m_wholeMade{nullptr}; // the worker's arrays, until adopted
    bool m_wholePending = false;
    unsigned long m_generation = 0; // models told of so far
    bool m_moveFrame = false;       // the next frame shows a move
    bool m_lastFrameReduced = false;
    unsigned long m_reducedFrames = 0;
};
