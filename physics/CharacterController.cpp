#include "physics/CharacterController.h"

#include <algorithm>
#include <cmath>

#include <btBulletDynamicsCommon.h>

#include "physics/BulletPose.h"
#include "physics/SceneImpl.h"

namespace vorn {

namespace {

constexpr int kSlideIterations = 4;
constexpr int kFallIterations = 3;
constexpr int kRecoveryIterations = 4;
constexpr btScalar kTiny = 1e-5f;

// Only shapes that take part in scene queries stop the capsule: static geometry and the ground.
// Loose bodies and trigger shapes do not; the capsule's own body pushes them aside in the
// simulation.
bool isObstacle(const btBroadphaseProxy* proxy) {
  const auto* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
  const auto* actor = static_cast<const Actor*>(object->getUserPointer());
  return actor && actor->findShape(kSceneQueryShape);
}

// Closest obstacle hit by a capsule sweep that the motion runs into (a surface the capsule already
// leaves does not stop it).
struct SweepCallback : btCollisionWorld::ClosestConvexResultCallback {
  SweepCallback(const btVector3& from, const btVector3& to)
      : ClosestConvexResultCallback(from, to), direction(to - from) {}

  bool needsCollision(btBroadphaseProxy* proxy) const override {
    return isObstacle(proxy) && ClosestConvexResultCallback::needsCollision(proxy);
  }

  btScalar addSingleResult(btCollisionWorld::LocalConvexResult& result,
                           bool normalInWorld) override {
    const btVector3 normal =
        normalInWorld
            ? result.m_hitNormalLocal
            : result.m_hitCollisionObject->getWorldTransform().getBasis() * result.m_hitNormalLocal;
    if (normal.dot(direction) >= 0) return 1;
    return ClosestConvexResultCallback::addSingleResult(result, normalInWorld);
  }

  btVector3 direction;
};

struct RayCallback : btCollisionWorld::ClosestRayResultCallback {
  using ClosestRayResultCallback::ClosestRayResultCallback;
  bool needsCollision(btBroadphaseProxy* proxy) const override {
    return isObstacle(proxy) && ClosestRayResultCallback::needsCollision(proxy);
  }
};

// Sums how far obstacles reach into the probe capsule, as a push that takes it out again.
struct PenetrationCallback : btCollisionWorld::ContactResultCallback {
  explicit PenetrationCallback(const btCollisionObject* probe) : self(probe) {}

  bool needsCollision(btBroadphaseProxy* proxy) const override {
    return isObstacle(proxy) && ContactResultCallback::needsCollision(proxy);
  }

  btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper* a, int, int,
                           const btCollisionObjectWrapper*, int, int) override {
    const btScalar depth = point.getDistance();
    if (depth >= 0) return 0;
    // The normal points from b to a; the push moves the capsule away from the other object.
    const btVector3 away =
        a->getCollisionObject() == self ? point.m_normalWorldOnB : -point.m_normalWorldOnB;
    push -= away * depth;
    deepest = std::max(deepest, -depth);
    found = true;
    return 0;
  }

  // A triangle mesh reports many points for one overlap, so the sum of their pushes can be far
  // longer than the overlap is deep; no point needs more than the deepest one's push.
  btVector3 boundedPush() const {
    const btScalar length = push.length();
    return length > deepest ? push * (deepest / length) : push;
  }

  const btCollisionObject* self;
  btVector3 push{0, 0, 0};
  btScalar deepest = 0;
  bool found = false;
};

}  // namespace

struct CharacterController::Impl {
  // Where one attempt of a move ended and what it touched.
  struct Outcome {
    btVector3 position;
    uint32_t flags = 0;
    bool supported = false;     // standing on walkable ground
    btVector3 ground{0, 0, 0};  // where the ground touches the capsule, when supported
  };

  Impl(PhysicsScene& scene, const CapsuleControllerDesc& desc);

  Outcome attempt(const btVector3& start, const btVector3& displacement, btScalar stepOffset,
                  btScalar minDistance);
  btScalar moveUp(btVector3& position, btScalar distance, Outcome& outcome);
  void moveSideways(btVector3& position, const btVector3& motion, btScalar minDistance,
                    Outcome& outcome);
  void moveDown(btVector3& position, btScalar distance, Outcome& outcome);
  btVector3 recoverFromPenetration(btVector3 position);
  bool validStep(const btVector3& start, const Outcome& outcome) const;

  // Sweeps the capsule; returns the reachable fraction of the motion (1 without a hit).
  btScalar sweep(const btVector3& from, const btVector3& to, btVector3* normal, btVector3* point);
  bool walkable(const btVector3& centre, const btVector3& normal, const btVector3& point);
  btVector3 horizontal(const btVector3& v) const { return v - up * v.dot(up); }
  btTransform poseAt(const glm::dvec3& at) const {
    return btTransform(orientation, toBullet(glm::vec3(at)));
  }

  PhysicsScene& scene;
  btCollisionWorld& world;
  CapsuleControllerDesc desc;
  btVector3 up;
  btQuaternion orientation;  // turns the capsule's axis (y) onto up
  btCapsuleShape sweepShape;
  btCollisionObject probe;  // the capsule where a move tries it, outside the world
  Actor* actor = nullptr;
  glm::dvec3 centre{0.0};
};

CharacterController::Impl::Impl(PhysicsScene& owner, const CapsuleControllerDesc& description)
    : scene(owner), world(owner.impl().world), desc(description),
      up(toBullet(glm::normalize(description.upDirection))),
      orientation(shortestArcQuat(btVector3(0, 1, 0), up)),
      sweepShape(description.radius, description.height) {
  probe.setCollisionShape(&sweepShape);
  // A simulation shape only: the capsule pushes loose bodies but is no obstacle to its own sweeps.
  std::unique_ptr<Actor> body(new Actor(Actor::Type::Kinematic,
                                        std::make_unique<btCapsuleShape>(desc.radius, desc.height),
                                        desc.material, 0.0f, glm::vec3(0.0f)));
  body->shapes.push_back(Shape{kSimulationShape, {}});
  actor = body.get();
  scene.addActor(std::move(body));
}

btScalar CharacterController::Impl::sweep(const btVector3& from, const btVector3& to,
                                          btVector3* normal, btVector3* point) {
  if ((to - from).length2() < kTiny * kTiny) return 1;
  SweepCallback hit(from, to);
  world.convexSweepTest(&sweepShape, btTransform(orientation, from), btTransform(orientation, to),
                        hit);
  if (!hit.hasHit()) return 1;
  if (normal) *normal = hit.m_hitNormalWorld.normalized();
  if (point) *point = hit.m_hitPointWorld;
  return hit.m_closestHitFraction;
}

// Ground supports the capsule when its slope is within the limit. Where the capsule rests on an
// edge (a step's nosing) the contact normal leans, so the surface just beyond the contact decides.
bool CharacterController::Impl::walkable(const btVector3& centre, const btVector3& normal,
                                         const btVector3& point) {
  if (normal.dot(up) >= desc.slopeLimit) return true;
  btVector3 outward = horizontal(point - centre);
  if (outward.length2() < kTiny * kTiny) return false;
  outward = outward.normalized() * desc.contactOffset * 0.2f;
  const btVector3 from = point + outward + up * desc.contactOffset;
  const btVector3 to = point + outward - up * desc.contactOffset;
  RayCallback ray(from, to);
  world.rayTest(from, to, ray);
  return ray.hasHit() && ray.m_hitNormalWorld.normalized().dot(up) >= desc.slopeLimit;
}

btScalar CharacterController::Impl::moveUp(btVector3& position, btScalar distance,
                                           Outcome& outcome) {
  if (distance <= kTiny) return 0;
  btVector3 normal;
  const btScalar fraction = sweep(position, position + up * distance, &normal, nullptr);
  btScalar moved = distance;
  if (fraction < 1) {
    moved = std::max<btScalar>(fraction * distance - desc.contactOffset, 0);
    outcome.flags |= kCollisionUp;
  }
  position += up * moved;
  return moved;
}

// Move and slide: at each obstacle the motion loses its part against the obstacle's horizontal
// normal, so walls guide the capsule and steep slopes cannot be climbed by sliding up them.
void CharacterController::Impl::moveSideways(btVector3& position, const btVector3& motion,
                                             btScalar minDistance, Outcome& outcome) {
  btVector3 remaining = motion;
  for (int i = 0; i < kSlideIterations; ++i) {
    const btScalar length = remaining.length();
    if (length < std::max(minDistance, kTiny)) return;
    btVector3 normal;
    const btScalar fraction = sweep(position, position + remaining, &normal, nullptr);
    if (fraction >= 1) {
      position += remaining;
      return;
    }
    outcome.flags |= kCollisionSides;
    const btVector3 direction = remaining / length;
    const btScalar travel = std::max<btScalar>(fraction * length - desc.contactOffset, 0);
    position += direction * travel;
    btVector3 wall = horizontal(normal);
    if (wall.length2() < kTiny) return;
    wall.normalize();
    remaining = direction * (length - travel);
    remaining -= wall * remaining.dot(wall);
  }
}

// Settles on walkable ground within the distance; off steeper ground the capsule slides down.
// Either ground counts as a collision below.
void CharacterController::Impl::moveDown(btVector3& position, btScalar distance, Outcome& outcome) {
  btVector3 remaining = -up * distance;
  for (int i = 0; i < kFallIterations; ++i) {
    const btScalar length = remaining.length();
    if (length <= kTiny) return;
    // The sweep looks one skin further, so ground just below counts as ground.
    const btVector3 direction = remaining / length;
    const btScalar reach = length + desc.contactOffset;
    btVector3 normal, point;
    const btScalar fraction = sweep(position, position + direction * reach, &normal, &point);
    if (fraction >= 1) {
      position += remaining;
      return;
    }
    const btScalar travel = std::max<btScalar>(fraction * reach - desc.contactOffset, 0);
    position += direction * std::min(travel, length);
    outcome.flags |= kCollisionDown;
    if (walkable(position, normal, point)) {
      outcome.supported = true;
      outcome.ground = point;
      return;
    }
    remaining = direction * (length - std::min(travel, length));
    remaining -= normal * remaining.dot(normal);
  }
}

btVector3 CharacterController::Impl::recoverFromPenetration(btVector3 position) {
  for (int i = 0; i < kRecoveryIterations; ++i) {
    probe.setWorldTransform(btTransform(orientation, position));
    PenetrationCallback contacts(&probe);
    world.contactTest(&probe, contacts);
    if (!contacts.found) break;
    position += contacts.boundedPush();
  }
  return position;
}

// A step ends on walkable ground no higher than the step offset above the capsule's lowest point;
// anything else reached through the lift (a steep slope, the top of a high edge) was climbed.
bool CharacterController::Impl::validStep(const btVector3& start, const Outcome& outcome) const {
  if (!outcome.supported) return (outcome.position - start).dot(up) <= kTiny;
  const btVector3 lowest = start - up * (0.5f * desc.height + desc.radius);
  return (outcome.ground - lowest).dot(up) <= desc.stepOffset;
}

CharacterController::Impl::Outcome CharacterController::Impl::attempt(const btVector3& start,
                                                                      const btVector3& displacement,
                                                                      btScalar stepOffset,
                                                                      btScalar minDistance) {
  Outcome outcome;
  btVector3 position = start;
  const btScalar vertical = displacement.dot(up);
  const btVector3 side = displacement - up * vertical;
  const btScalar rise = std::max<btScalar>(vertical, 0);
  const btScalar lifted = moveUp(position, stepOffset + rise, outcome);
  if (rise <= 0) outcome.flags &= ~kCollisionUp;  // a low ceiling only shortens the step
  // The lift serves the real upward motion first; what is left of it is the step, undone below.
  const btScalar stepPart = lifted - std::min(lifted, rise);
  moveSideways(position, side, minDistance, outcome);
  moveDown(position, stepPart + std::max<btScalar>(-vertical, 0), outcome);
  outcome.position = position;
  return outcome;
}

CharacterController::CharacterController(PhysicsScene& scene, const CapsuleControllerDesc& desc)
    : state(std::make_unique<Impl>(scene, desc)) {
  setPosition(glm::dvec3(0.0));
}

CharacterController::~CharacterController() {
  if (PhysicsScene* scene = state->actor->getScene()) scene->removeActor(state->actor);
}

uint32_t CharacterController::move(const glm::vec3& displacement, float minDistance, float /*dt*/) {
  Impl& s = *state;
  if (!std::isfinite(displacement.x) || !std::isfinite(displacement.y) ||
      !std::isfinite(displacement.z)) {
    return 0;
  }
  const btVector3 motion = toBullet(displacement);
  const btVector3 start = s.recoverFromPenetration(toBullet(glm::vec3(s.centre)));
  const bool walking = s.horizontal(motion).length() >= std::max(minDistance, 1e-6f);
  Impl::Outcome outcome = s.attempt(start, motion, walking ? s.desc.stepOffset : 0, minDistance);
  if (walking && (!s.validStep(start, outcome) || (outcome.flags & kCollisionSides))) {
    // Lifted by the step offset the capsule may meet a lintel or a low ceiling that it passes
    // below when it walks on the level: then the level walk wins.
    const Impl::Outcome level = s.attempt(start, motion, 0, minDistance);
    const btScalar liftedProgress = s.horizontal(outcome.position - start).length();
    const btScalar levelProgress = s.horizontal(level.position - start).length();
    if (!s.validStep(start, outcome) || levelProgress > liftedProgress + kTiny) outcome = level;
  }
  const btVector3 end = s.recoverFromPenetration(outcome.position);
  s.centre += glm::dvec3(toGlm(end - toBullet(glm::vec3(s.centre))));
  s.scene.impl().moveKinematic(*s.actor, s.poseAt(s.centre));
  return outcome.flags;
}

// A jump to the place, not a motion: the body is there at once and pushes nothing on its way.
void CharacterController::setPosition(const glm::dvec3& centre) {
  state->centre = centre;
  state->actor->setGlobalPose(toPose(state->poseAt(centre)));
  state->scene.impl().stopKinematic(*state->actor);
}

glm::dvec3 CharacterController::getPosition() const { return state->centre; }

Actor* CharacterController::getActor() const { return state->actor; }

}  // namespace vorn
